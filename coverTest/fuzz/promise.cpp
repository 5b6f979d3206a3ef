// What the fuzz harness checks of a completed coverTest call.
#include "harness.h"

namespace fuzz {

namespace {

// flags = coverTest(regionBoxes, boxes): (rows of boxes) x (rows of region boxes), 0 or 1.
std::string coverTestResults(const std::vector<const mxArray*>& args, int,
                             const testhost::CallResult& r) {
    if (std::string e = expectShape(r.out(0), rows(args[1]), rows(args[0])); !e.empty()) return e;
    for (double v : testhost::values(r.out(0)))
        if (v != 0.0 && v != 1.0) return "a coverage flag is " + std::to_string(v);
    return "";
}

}  // namespace

const PluginPromise pluginPromise = {"coverTest", 2, 1, false, coverTestResults};

}  // namespace fuzz
