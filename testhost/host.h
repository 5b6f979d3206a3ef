// The stand-in host's C++ side, for tests: building argument arrays, loading a
// plug-in by file name and calling its mexFunction the way a host does.
#ifndef REGIONKIT_TESTHOST_HOST_H
#define REGIONKIT_TESTHOST_HOST_H

#include "mex.h"

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace testhost {

// Thrown by mexErrMsgTxt / mexErrMsgIdAndTxt and caught by Plugin::call.
struct Raised {
    std::string id;
    std::string message;
};

struct ArrayDeleter {
    void operator()(mxArray* a) const { mxDestroyArray(a); }
};
using ArrayPtr = std::unique_ptr<mxArray, ArrayDeleter>;

// A real double matrix from its elements given row by row (as written on paper).
ArrayPtr matrix(std::size_t rows, std::size_t cols, std::initializer_list<double> rowMajor);
// A real double matrix from its column-major data.
ArrayPtr columnMajor(std::size_t rows, std::size_t cols, const std::vector<double>& data);
ArrayPtr scalar(double value);
ArrayPtr zeros(std::size_t rows, std::size_t cols);
// Any class, shape and kind; the data of every class is zero-filled.
ArrayPtr array(mxClassID cls, const std::vector<std::size_t>& dims, bool complex = false,
               bool sparse = false);

std::vector<double> values(const mxArray* a);  // column-major copy of the real part

struct CallResult {
    bool raised = false;
    std::string id;
    std::string message;
    std::vector<ArrayPtr> outputs;  // max(nlhs, 1) slots; null where the plug-in stored nothing
    bool argumentsUnchanged = true;
    std::size_t leakedArrays = 0;       // arrays the plug-in created but neither stored nor destroyed
    std::size_t leakedAllocations = 0;  // allocations still live after the call
    std::size_t allocations = 0;        // allocations the call made of its own
    std::size_t arraysCreated = 0;      // arrays the call asked the host for

    const mxArray* out(std::size_t i = 0) const { return outputs.at(i).get(); }
};

class Plugin {
public:
    explicit Plugin(const std::string& path);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    CallResult call(int nlhs, const std::vector<const mxArray*>& args) const;

private:
    void* handle_;
    void (*entry_)(int, mxArray*[], int, const mxArray*[]);
};

// Allocation failure injection: the k-th request (counted from 1) of every
// later call fails, counting the plug-in's own allocations and the arrays it
// asks the host for together; 0 turns injection off.
void failAllocation(std::size_t k);
// A failed result creation throws, as GNU Octave's does, instead of returning null.
void failCreationsByThrowing(bool on);

}  // namespace testhost

#endif
