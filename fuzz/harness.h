// What the fuzz harness knows of each plug-in: how it may be called and what
// shape of results a completed call promises.
#ifndef REGIONKIT_FUZZ_HARNESS_H
#define REGIONKIT_FUZZ_HARNESS_H

#include "host.h"

#include <string>
#include <vector>

namespace fuzz {

struct PluginPromise {
    const char* name;
    int mostInputs;   // the harness tries 0 .. mostInputs + 1 arguments
    int mostOutputs;  // and 0 .. mostOutputs + 1 results
    // The plug-in may refuse with a plain "Error: ..." message and no identifier.
    bool plainErrors;
    // For a call that completed: "" when the results have the promised shape
    // (and values where a cheap rule exists), else what is wrong.
    std::string (*checkResults)(const std::vector<const mxArray*>& args, int nlhs,
                                const testhost::CallResult& result);
};

// The entry for the plug-in named `name`, or null.
const PluginPromise* findPromise(const char* name);

// Shared helpers for the promise checks.
std::string shapeOf(const mxArray* a);
std::string expectShape(const mxArray* a, long long rows, long long cols);

}  // namespace fuzz

#endif
