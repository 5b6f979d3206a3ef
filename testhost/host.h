// The host of our own: the matrix API the plug-in entries call (mex.h), the
// call of one entry as GNU Octave and MATLAB make it, and, for the C++ suites,
// building argument arrays and loading a plug-in by file name.
//
// The Python module and the C++ suites use this one implementation. Every
// allocation a call makes of its own and every array it asks for is counted
// per thread, so the suites (and the Python module's checked build) can make
// the k-th one fail and find what a call left behind. Calls on different
// threads share nothing.
#ifndef REGIONKIT_TESTHOST_HOST_H
#define REGIONKIT_TESTHOST_HOST_H

#include "mex.h"

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace testhost {

// Thrown by mexErrMsgTxt / mexErrMsgIdAndTxt and caught by call().
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
// A 1 x n character array of the given (ASCII) characters.
ArrayPtr text(const std::string& characters);
ArrayPtr zeros(std::size_t rows, std::size_t cols);
// Any class, shape and kind; the data of every class is zero-filled.
ArrayPtr array(mxClassID cls, const std::vector<std::size_t>& dims, bool complex = false,
               bool sparse = false);
// An argument over data the caller keeps: real doubles at `data` (column-major,
// never written), or, with `data` null, an array of class `cls` whose elements
// are never read. `className` names the class where the host has none for it
// (null: the class's own name). The array does not own the data.
ArrayPtr borrowed(mxClassID cls, bool complex, const char* className, const std::size_t* dims,
                  std::size_t ndims, const double* data);

std::vector<double> values(const mxArray* a);  // column-major copy of the real part

// Takes the real data out of an array the host created and destroys the
// rest; the caller frees the data with std::free.
double* takeData(mxArray* a);

using Entry = void (*)(int, mxArray*[], int, const mxArray*[]);

// How one call ended, and what it asked for.
struct Outcome {
    bool raised = false;
    std::string id;       // "<plugin>:<reason>", empty for a plain message
    std::string message;
    std::size_t allocations = 0;    // allocations the call made of its own
    std::size_t arraysCreated = 0;  // arrays it asked the host for
    std::size_t leakedArrays = 0;   // arrays it created but neither stored nor destroyed
};

// Calls the entry with max(nlhs, 1) result slots in plhs, which must be null
// on entry, as a host does. On a refusal every result is destroyed and the
// slots are null again; otherwise the slots hold the results (a slot may stay
// null). Arrays the entry created but neither stored nor destroyed are
// destroyed and counted. An exception other than a refusal becomes one:
// std::bad_alloc "regionkit:outOfMemory", anything else "regionkit:internalError".
Outcome call(Entry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) noexcept;

// Allocations of this thread's plug-in code still live (the counted path,
// testhostMalloc and testhostCalloc).
std::size_t liveAllocations();

struct CallResult : Outcome {
    std::vector<ArrayPtr> outputs;  // max(nlhs, 1) slots; null where the plug-in stored nothing
    bool argumentsUnchanged = true;
    std::size_t leakedAllocations = 0;  // allocations still live after the call

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
    Entry entry_;
};

// Allocation failure injection, on this thread: the k-th request (counted
// from 1) of every later call fails, counting the plug-in's own allocations
// and the arrays it asks the host for together; 0 turns injection off.
void failAllocation(std::size_t k);
// A failed result creation throws, as GNU Octave's does, instead of returning null.
void failCreationsByThrowing(bool on);

}  // namespace testhost

#endif
