/*
 * Stand-in for the host's mex.h, used to build the plug-ins for the C++ test
 * suites (run without GNU Octave or MATLAB, under the sanitizers): the host's
 * API (mexApi.h), and the stand-in's own counted allocation path.
 */
#ifndef REGIONKIT_TESTHOST_MEX_H
#define REGIONKIT_TESTHOST_MEX_H

#include "mexApi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Every plug-in allocation goes through these, so a test can count what is
 * live and make the k-th allocation fail. */
void* testhostMalloc(size_t bytes);
void* testhostCalloc(size_t count, size_t size);
void testhostFree(void* p);

#ifdef __cplusplus
}
#endif

#endif
