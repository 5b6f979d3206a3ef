/*
 * The host's matrix API as the Python module offers it to the plug-in entries.
 *
 * The same C API GNU Octave and MATLAB give a MEX file, with MATLAB's types,
 * implemented over NumPy buffers (host.cpp). The entries and the gateway are
 * compiled against this header unchanged; each entry's mexFunction is given
 * its own name by the build (mexFunction is defined to <plugin>_mexFunction),
 * so one module holds them all.
 */
#ifndef REGIONKIT_PYTHON_MEX_H
#define REGIONKIT_PYTHON_MEX_H

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
mxClassID mxGetClassID(const mxArray* a);
const char* mxGetClassName(const mxArray* a);

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag);
void mxDestroyArray(mxArray* a);

void* mxMalloc(size_t bytes);
void* mxCalloc(size_t count, size_t size);
void mxFree(void* p);

#ifdef __cplusplus
[[noreturn]]
#endif
void mexErrMsgTxt(const char* text);
#ifdef __cplusplus
[[noreturn]]
#endif
void mexErrMsgIdAndTxt(const char* id, const char* format, ...);

void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]);

#ifdef __cplusplus
}
#endif

#endif
