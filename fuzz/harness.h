// What the fuzz harness knows of the plug-in it fuzzes: how it may be called
// and what shape of results a completed call promises.
#ifndef REGIONKIT_FUZZ_HARNESS_H
#define REGIONKIT_FUZZ_HARNESS_H

#include "calls.h"

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
                                const testsupport::CallResult& result);
};

// The plug-in's own promise: each fuzz program links the one of its plug-in
// (<plugin>/fuzz/promise.cpp), written as
//   REGIONKIT_FUZZ_PROMISE(rectCull, 2, 1, false) { ...checks of args, nlhs and r... }
extern const PluginPromise pluginPromise;

#define REGIONKIT_FUZZ_PROMISE(plugin, mostInputs, mostOutputs, plainErrors)                                    \
    namespace fuzz {                                                                                          \
    static std::string plugin##Results(const std::vector<const mxArray*>&, int, const testsupport::CallResult&); \
    const PluginPromise pluginPromise = {#plugin, mostInputs, mostOutputs, plainErrors, plugin##Results};     \
    }                                                                                                         \
    std::string fuzz::plugin##Results([[maybe_unused]] const std::vector<const mxArray*>& args,               \
                                      [[maybe_unused]] int nlhs, [[maybe_unused]] const testsupport::CallResult& r)

// Shared helpers for the promise checks.
inline long long rows(const mxArray* a) { return static_cast<long long>(mxGetM(a)); }
inline long long cols(const mxArray* a) { return static_cast<long long>(mxGetN(a)); }
std::string shapeOf(const mxArray* a);
// "" when `a` is a real full double matrix of that shape (-1: any count).
std::string expectShape(const mxArray* a, long long rows, long long cols);

}  // namespace fuzz

#endif
