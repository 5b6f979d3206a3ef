// What the fuzz harness checks of a completed coverTest call.
#include "harness.h"

// flags = coverTest(regionBoxes, boxes): (rows of boxes) x (rows of region boxes), 0 or 1.
REGIONKIT_FUZZ_PROMISE(coverTest, 2, 1, false) {
    if (std::string e = expectShape(r.out(0), rows(args[1]), rows(args[0])); !e.empty()) return e;
    for (double v : testsupport::values(r.out(0)))
        if (v != 0.0 && v != 1.0) return "a coverage flag is " + std::to_string(v);
    return "";
}
