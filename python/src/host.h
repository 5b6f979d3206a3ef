// The Python module's host: the matrix API the plug-in entries call (mex.h),
// over NumPy buffers, and the call of one entry as a host makes it.
//
// Arguments are views of the caller's data, never written and never freed.
// Results are allocated with calloc, so their data can be handed to NumPy as
// it is and freed by NumPy's owner object. No Python object is touched here:
// a call runs without the interpreter lock.
#ifndef REGIONKIT_PYTHON_HOST_H
#define REGIONKIT_PYTHON_HOST_H

#include "mex.h"

#include <cstddef>
#include <string>

struct mxArray_tag {
    static constexpr std::size_t maxDims = 64;
    mxClassID cls = mxDOUBLE_CLASS;
    const char* className = "double";
    bool complex = false;
    std::size_t ndims = 2;
    mwSize dims[maxDims] = {0, 0};
    std::size_t count = 0;
    double* data = nullptr;  // real doubles; null for other classes and complex arrays
    bool owned = false;      // data allocated by the host (results), not the caller's
};

namespace pyhost {

using Entry = void (*)(int, mxArray*[], int, const mxArray*[]);

struct Outcome {
    bool raised = false;
    std::string id;       // "<plugin>:<reason>", empty for a plain message
    std::string message;
};

// Calls the entry with max(nlhs, 1) result slots in plhs, which must be null
// on entry. On a refusal every result is destroyed and the slots are null
// again; otherwise the slots hold the results (a slot may stay null). Arrays
// the entry created but neither stored nor destroyed are destroyed.
Outcome call(Entry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) noexcept;

// Takes the data of a result out of it and destroys the rest; the caller
// frees the data with std::free.
double* takeData(mxArray* a);

}  // namespace pyhost

#endif
