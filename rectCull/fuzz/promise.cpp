// What the fuzz harness checks of a completed rectCull call.
#include "harness.h"

#include <cmath>

// [kept, keptRows] = rectCull(boxes, threshold): K x (N-1), K <= M, whole-number
// x, y, w, h, further columns 0; keptRows K x 1, distinct rows of boxes whose
// truncated x, y, w, h are the kept ones.
REGIONKIT_FUZZ_PROMISE(rectCull, 2, 2, false) {
    const mxArray* kept = r.out(0);
    if (std::string e = expectShape(kept, -1, cols(args[0]) - 1); !e.empty()) return e;
    if (rows(kept) > rows(args[0])) return "more boxes kept than given: " + shapeOf(kept);
    const std::vector<double> v = testsupport::values(kept);
    const std::size_t k = mxGetM(kept);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const bool coordinate = i < 4 * k;
        if (coordinate ? v[i] != std::trunc(v[i]) : v[i] != 0.0)
            return "element " + std::to_string(i) + " of the result is " + std::to_string(v[i]);
    }
    if (nlhs < 2) return "";
    const mxArray* keptRows = r.out(1);
    if (std::string e = expectShape(keptRows, static_cast<long long>(k), 1); !e.empty()) return e;
    const std::vector<double> boxes = testsupport::values(args[0]);
    const std::size_t m = mxGetM(args[0]);
    std::vector<bool> seen(m, false);
    for (std::size_t i = 0; i < k; ++i) {
        const double row = mxGetPr(keptRows)[i];
        if (!(row >= 1 && row <= static_cast<double>(m)) || row != std::trunc(row) || seen[static_cast<std::size_t>(row) - 1])
            return "kept row " + std::to_string(i + 1) + " is " + std::to_string(row);
        seen[static_cast<std::size_t>(row) - 1] = true;
        for (std::size_t j = 0; j < 4; ++j)
            if (v[i + j * k] != std::trunc(boxes[static_cast<std::size_t>(row) - 1 + j * m]))
                return "kept box " + std::to_string(i + 1) + " is not row " + std::to_string(row) + " of boxes";
    }
    return "";
}
