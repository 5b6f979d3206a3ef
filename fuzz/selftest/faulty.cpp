// A plug-in with one planted fault per mode, to show that the harness notices
// each kind: y = faulty(mode) gives a 1x1 result when nothing is planted.
#include "allocation.h"
#include "mex.h"

#include <cstring>

extern "C" __attribute__((visibility("default"))) void mexFunction(int nlhs, mxArray* plhs[], int nrhs,
                                                                   const mxArray* prhs[]) {
    if (nlhs > 1 || nrhs != 1 || mxGetPr(prhs[0]) == nullptr || mxGetNumberOfElements(prhs[0]) == 0)
        mexErrMsgIdAndTxt("faulty:badCall", "y = faulty(mode)");
    double* in = mxGetPr(prhs[0]);
    const int mode = static_cast<int>(in[0]);
    double* scratch = static_cast<double*>(gateway::allocate(sizeof(double)));
    switch (mode) {
    case 1: scratch = nullptr; break;                       // leaks the allocation
    case 2: in[0] = 0.0; break;                             // changes its argument
    case 3: gateway::release(scratch); mexErrMsgTxt("no identifier");
    case 4: scratch[0] = 1.0; break;                        // uses it without a check
    case 5: gateway::release(scratch); plhs[0] = mxCreateDoubleMatrix(2, 1, mxREAL); return;
    case 6: { volatile double past = in[1]; (void)past; break; }  // reads past the argument
    case 7: mxCreateDoubleMatrix(1, 1, mxREAL); break;      // creates an array and drops it
    default: break;
    }
    if (scratch == nullptr && mode != 1) mexErrMsgIdAndTxt("faulty:outOfMemory", "out of memory");
    gateway::release(scratch);
    plhs[0] = mxCreateDoubleMatrix(1, 1, mxREAL);
    if (plhs[0] == nullptr) mexErrMsgIdAndTxt("faulty:outOfMemory", "out of memory");
}
