/*
 * mex.h of the host of our own (host.h): the host's API as the plug-ins
 * call it (mexApi.h).
 */
#ifndef REGIONKIT_HOST_MEX_H
#define REGIONKIT_HOST_MEX_H

#include "mexApi.h"

/* The plug-ins' gateway raises its refusals through hostRaiseRefusal here,
 * with their facts as fields, instead of through the error calls. */
#define REGIONKIT_OWN_HOST 1

#ifdef __cplusplus
extern "C" {
#endif

typedef struct {
    const char* id;           /* "<plugin>:<reason>", or "" for a plain message */
    const char* reason;       /* always set */
    const char* message;      /* the text the error calls would raise */
    int argument;             /* counted from 1; 0: no one argument */
    const char* argumentName; /* "" with argument 0 */
    long long element;        /* counted from 1; 0: no one element */
    double value;             /* the element's value, when hasValue */
    int hasValue;
} hostRefusal;

#ifdef __cplusplus
[[noreturn]]
#endif
void hostRaiseRefusal(const hostRefusal* refusal);

#ifdef __cplusplus
}
#endif

#endif
