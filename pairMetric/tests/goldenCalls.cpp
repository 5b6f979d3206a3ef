// The golden calls of pairMetric: its edge cases, and sizes around every vector
// width and block size its kernels use.
#include "goldenCalls.h"

namespace golden {

void pairMetricGoldenCalls(Calls& calls) {
    const auto metric = [&calls](Matrix a, Matrix b, double code) {
        calls.add({std::move(a), std::move(b), value(code)}, 1);
    };
    metric(rows(2, 2, {0, 0, 3, 4}), rows(1, 2, {0, 0}), 2);
    metric(rows(1, 2, {0, 0}), rows(2, 2, {3, 4, 6, 8}), 2);
    metric(rows(1, 2, {0, 0}), rows(1, 2, {3, 4}), 2);
    metric(rows(1, 2, {0, 0}), rows(1, 2, {0.5, 0}), 2);
    metric(rows(1, 2, {0.5, 0.5}), rows(2, 2, {0.5, 0.5, 1, 0}), 1);
    metric(rows(1, 2, {1, 1}), rows(2, 2, {1, 1, 0, 0}), 1);
    // NaN in A gives way to B's element in the minimum; NaN in B carries through.
    metric(rows(1, 2, {nan, 0.5}), rows(2, 2, {0.5, 0.5, 0, 0}), 1);
    metric(rows(2, 2, {0.5, 0.5, 0, 0}), rows(1, 2, {nan, 0.5}), 1);
    const Matrix a = rows(2, 3, {0.25, 0.5, 0.125, 1, 0, 2});
    const Matrix b = rows(3, 4, {0.5, 0.5, 0.5, 9, 0, 1, 0, 9, 2, 2, 2, 9});
    for (double code : {0.0, 3.0, 1.5, nan, -0.0, inf, 1.0, 2.0}) metric(a, b, code);
    calls.add({a, b, rows(1, 2, {2, 1})}, 1);
    for (double code : {1.0, 2.0}) {
        metric(Matrix{0, 3, {}}, b, code);
        metric(a, Matrix{0, 4, {}}, code);
        metric(Matrix{3, 0, {}}, Matrix{2, 0, {}}, code);
        metric(Matrix{3, 0, {}}, rows(2, 1, {1, 2}), code);
    }
    // Special values on both sides, both metrics.
    Source s(2);
    for (int k = 0; k < 3; ++k) {
        const Matrix sa = make(3 + k, 4, [&](std::size_t, std::size_t) { return s.mixed(); });
        const Matrix sb = make(5 + 2 * k, 4, [&](std::size_t, std::size_t) { return s.mixed(); });
        metric(sa, sb, 1);
        metric(sa, sb, 2);
        metric(sb, sa, 1);
    }
    // Every count of A rows and B rows around the tile and vector widths.
    const std::size_t widths[] = {1, 2, 3, 4, 5, 7, 8, 9, 16, 17};
    std::size_t w = 0;
    for (std::size_t m : {1, 2, 3, 4, 5, 6, 9}) {
        for (std::size_t r : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33}) {
            const std::size_t n = widths[w++ % (sizeof widths / sizeof widths[0])];
            const Matrix am = make(m, n, [&](std::size_t, std::size_t) { return s.unit(); });
            const Matrix bm = make(r, n + r % 3, [&](std::size_t, std::size_t) { return s.unit(); });
            metric(am, bm, 1 + static_cast<double>((m + r) % 2));
        }
    }
    const Matrix la = make(23, 48, [&](std::size_t, std::size_t) { return s.unit() * 0.05; });
    const Matrix lb = make(27, 50, [&](std::size_t, std::size_t) { return s.unit() * 0.05; });
    metric(la, lb, 1);
    metric(la, lb, 2);
}

}  // namespace golden
