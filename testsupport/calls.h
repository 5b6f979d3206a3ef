// What the C++ suites and the fuzz programs call plug-ins with: argument
// arrays built from values, and a plug-in loaded by file name and called
// through the host of our own (host/), with what the call asked for and
// left behind.
#ifndef REGIONKIT_TESTSUPPORT_CALLS_H
#define REGIONKIT_TESTSUPPORT_CALLS_H

#include "counting.h"
#include "host.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

using host::ArrayPtr;

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

std::vector<double> values(const mxArray* a);  // column-major copy of the real part

struct CallResult {
    bool raised = false;
    std::string id;       // "<plugin>:<reason>", empty for a plain message
    std::string message;
    host::Refusal refusal;          // every field of the refusal, when raised
    std::size_t allocations = 0;    // allocations the call made of its own
    std::size_t arraysCreated = 0;  // arrays it asked the host for
    std::size_t leakedArrays = 0;   // arrays it created but neither stored nor destroyed
    std::vector<ArrayPtr> outputs;  // max(nlhs, 1) slots; null where the plug-in stored nothing
    bool argumentsUnchanged = true;
    std::size_t leakedAllocations = 0;  // allocations still live after the call

    const mxArray* out(std::size_t i = 0) const { return outputs.at(i).get(); }
};

// A plug-in loaded as each host loads a MEX file: by file name, with its
// mx/mex functions bound to the host library (on Windows through its import
// library), and its one exported entry found by name. An empty name loads
// the program's own mexFunction.
class Plugin {
public:
    explicit Plugin(const std::string& path);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    CallResult call(int nlhs, const std::vector<const mxArray*>& args) const;

private:
    void* handle_;
    host::Entry entry_;
};

}  // namespace testsupport

#endif
