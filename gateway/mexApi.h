/*
 * The part of the host's C API (mex.h) that the plug-ins use, with MATLAB's
 * types (mwSize is an unsigned size_t here, a signed 64-bit integer in GNU
 * Octave), for the host of our own (host/), which runs the plug-ins for the
 * Python module and the C++ test suites. Builds for GNU Octave and
 * MATLAB use the host's own mex.h instead, so code that builds against both
 * has been checked against both conventions.
 */
#ifndef REGIONKIT_GATEWAY_MEXAPI_H
#define REGIONKIT_GATEWAY_MEXAPI_H

#include <stdbool.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mxArray_tag mxArray;
typedef size_t mwSize;
typedef size_t mwIndex;

typedef enum {
    mxUNKNOWN_CLASS = 0,
    mxCELL_CLASS,
    mxSTRUCT_CLASS,
    mxLOGICAL_CLASS,
    mxCHAR_CLASS,
    mxVOID_CLASS,
    mxDOUBLE_CLASS,
    mxSINGLE_CLASS,
    mxINT8_CLASS,
    mxUINT8_CLASS,
    mxINT16_CLASS,
    mxUINT16_CLASS,
    mxINT32_CLASS,
    mxUINT32_CLASS,
    mxINT64_CLASS,
    mxUINT64_CLASS,
    mxFUNCTION_CLASS
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX } mxComplexity;

mwSize mxGetM(const mxArray* a);
mwSize mxGetN(const mxArray* a);
mwSize mxGetNumberOfDimensions(const mxArray* a);
const mwSize* mxGetDimensions(const mxArray* a);
size_t mxGetNumberOfElements(const mxArray* a);
double* mxGetPr(const mxArray* a);
double mxGetScalar(const mxArray* a);

bool mxIsDouble(const mxArray* a);
bool mxIsComplex(const mxArray* a);
bool mxIsSparse(const mxArray* a);
bool mxIsEmpty(const mxArray* a);
bool mxIsChar(const mxArray* a);
/* Copies a character array's characters (at most buflen - 1, then a 0) into
 * buf; 0 when it holds them all, 1 otherwise. */
int mxGetString(const mxArray* a, char* buf, mwSize buflen);
mxClassID mxGetClassID(const mxArray* a);
const char* mxGetClassName(const mxArray* a);

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag);
void mxDestroyArray(mxArray* a);

#ifdef __cplusplus
[[noreturn]]
#endif
void mexErrMsgTxt(const char* text);
#ifdef __cplusplus
[[noreturn]]
#endif
void mexErrMsgIdAndTxt(const char* id, const char* format, ...);

void* mxMalloc(size_t bytes);
void* mxCalloc(size_t count, size_t size);
void mxFree(void* p);

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

#ifdef __cplusplus
}
#endif

#endif
