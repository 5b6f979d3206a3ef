// What the fuzz harness checks of a completed pairMetric call.
#include "harness.h"

namespace fuzz {

namespace {

// d = pairMetric(A, B, code): 1 x (rows of A * rows of B).
std::string pairMetricResults(const std::vector<const mxArray*>& args, int,
                              const testhost::CallResult& r) {
    return expectShape(r.out(0), 1, rows(args[0]) * rows(args[1]));
}

}  // namespace

const PluginPromise pluginPromise = {"pairMetric", 3, 1, false, pairMetricResults};

}  // namespace fuzz
