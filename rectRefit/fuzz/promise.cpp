// What the fuzz harness checks of a completed rectRefit call.
#include "harness.h"

namespace fuzz {

namespace {

// refit = rectRefit(boxes, regionBoxes, membership, height, width): shaped like boxes.
std::string rectRefitResults(const std::vector<const mxArray*>& args, int,
                             const testhost::CallResult& r) {
    return expectShape(r.out(0), rows(args[0]), cols(args[0]));
}

}  // namespace

const PluginPromise pluginPromise = {"rectRefit", 5, 1, false, rectRefitResults};

}  // namespace fuzz
