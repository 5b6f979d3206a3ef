// The host of our own: a small implementation of the host's matrix API (the
// mx/mex functions of mex.h) and the call of one plug-in entry as GNU Octave
// and MATLAB make it. The Python module runs every entry in this host; the
// C++ suites run the plug-ins in it too, built with the counted requests of
// testsupport/ (REGIONKIT_COUNTED_HOST).
//
// Calls on different threads share nothing: what a call creates is tracked
// per thread.
#ifndef REGIONKIT_HOST_HOST_H
#define REGIONKIT_HOST_HOST_H

#include "mex.h"

#include <cstddef>
#include <memory>
#include <string>

namespace host {

// What an entry's refusal says, as fields: thrown by the error calls and
// caught by call(). `id` is "<plugin>:<reason>" for a refusal raised with an
// identifier and empty for a plain message; `reason` is set either way when
// the entry gave one. `argument` (counted from 1) and `argumentName` name the
// argument refused, 0 and "" when the refusal is about no one argument;
// `element` (counted from 1, 0 for none) and `value` the element of it that
// was refused.
struct Refusal {
    std::string id;
    std::string reason;
    std::string message;
    int argument = 0;
    std::string argumentName;
    long long element = 0;
    double value = 0.0;
    bool hasValue = false;
};

struct ArrayDeleter {
    void operator()(mxArray* a) const { mxDestroyArray(a); }
};
using ArrayPtr = std::unique_ptr<mxArray, ArrayDeleter>;

// An array of any class and shape, its data zero-filled; null when the
// shape's size overflows, it has too many dimensions or memory runs out.
mxArray* newArray(mxClassID cls, const mwSize* dims, std::size_t ndims, bool complex, bool sparse);

// An argument over data the caller keeps: real doubles at `data` (column-major,
// never written), or, with `data` null, an array of class `cls` whose elements
// are never read. `className` names the class where the host has none for it
// (null: the class's own name). The array does not own the data.
ArrayPtr borrowed(mxClassID cls, bool complex, const char* className, const std::size_t* dims,
                  std::size_t ndims, const double* data);

// A 1 x n character array of the given (ASCII) characters, as a host makes
// one of a text argument; throws std::bad_alloc when memory runs out.
ArrayPtr text(const std::string& characters);

// Takes the real data out of an array the host created and destroys the
// rest; the caller frees the data with std::free.
double* takeData(mxArray* a);

using Entry = void (*)(int, mxArray*[], int, const mxArray*[]);

// How one call ended.
struct Outcome {
    bool raised = false;
    Refusal refusal;                // when raised
    std::size_t leakedArrays = 0;   // arrays it created but neither stored nor destroyed
};

// Calls the entry with max(nlhs, 1) result slots in plhs, which must be null
// on entry, as a host does. On a refusal every result is destroyed and the
// slots are null again; otherwise the slots hold the results (a slot may stay
// null). Arrays the entry created but neither stored nor destroyed are
// destroyed and counted. An exception other than a refusal becomes one:
// std::bad_alloc "regionkit:outOfMemory", anything else "regionkit:internalError".
Outcome call(Entry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) noexcept;

}  // namespace host

#endif
