// What the fuzz harness checks of a completed rectCull call.
#include "harness.h"

#include <cmath>

// kept = rectCull(boxes, threshold): K x (N-1), K <= M, whole-number x, y, w, h,
// further columns 0.
REGIONKIT_FUZZ_PROMISE(rectCull, 2, 1, false) {
    const mxArray* kept = r.out(0);
    if (std::string e = expectShape(kept, -1, cols(args[0]) - 1); !e.empty()) return e;
    if (rows(kept) > rows(args[0])) return "more boxes kept than given: " + shapeOf(kept);
    const std::vector<double> v = testhost::values(kept);
    const std::size_t k = mxGetM(kept);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const bool coordinate = i < 4 * k;
        if (coordinate ? v[i] != std::trunc(v[i]) : v[i] != 0.0)
            return "element " + std::to_string(i) + " of the result is " + std::to_string(v[i]);
    }
    return "";
}
