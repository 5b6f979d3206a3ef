// What the fuzz harness checks of a completed slideCorr call.
#include "harness.h"

namespace fuzz {

namespace {

// s = slideCorr(A, K): one column of (M - m + 1) * (N - n + 1) sums.
std::string slideCorrResults(const std::vector<const mxArray*>& args, int,
                             const testhost::CallResult& r) {
    const long long across = rows(args[0]) - rows(args[1]) + 1;
    const long long down = cols(args[0]) - cols(args[1]) + 1;
    const long long count = across > 0 && down > 0 ? across * down : 0;
    return expectShape(r.out(0), count, 1);
}

}  // namespace

const PluginPromise pluginPromise = {"slideCorr", 2, 1, false, slideCorrResults};

}  // namespace fuzz
