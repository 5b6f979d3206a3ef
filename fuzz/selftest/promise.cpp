// What the harness checks of the planted-fault plug-in.
#include "harness.h"

namespace fuzz {

namespace {

// y = faulty(mode): the harness's own planted-fault plug-in, 1 x 1.
std::string faultyResults(const std::vector<const mxArray*>&, int, const testhost::CallResult& r) {
    return expectShape(r.out(0), 1, 1);
}

}  // namespace

const PluginPromise pluginPromise = {"faulty", 1, 1, false, faultyResults};

}  // namespace fuzz
