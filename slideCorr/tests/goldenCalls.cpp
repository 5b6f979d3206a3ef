// The golden calls of slideCorr: its edge cases, and sizes around every vector
// width and block size its kernels use.
#include "goldenCalls.h"

namespace golden {

void slideCorrGoldenCalls(Calls& calls) {
    const auto correlate = [&calls](Matrix a, Matrix k) { calls.add({std::move(a), std::move(k)}, 1); };
    const Matrix a = rows(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    correlate(a, rows(2, 2, {1, 0, 0, 0}));
    correlate(a, rows(2, 2, {1, 0, 0, 1}));
    correlate(a, value(2));
    correlate(rows(2, 3, {1, 2, 3, 4, 5, 6}), rows(2, 3, {1, 1, 1, 1, 1, 1}));
    correlate(rows(2, 3, {1, 2, 3, 4, 5, 6}), Matrix{0, 0, {}});
    correlate(rows(2, 3, {1, 2, 3, 4, 5, 6}), Matrix{0, 2, {}});
    correlate(rows(2, 3, {1, 2, 3, 4, 5, 6}), Matrix{1, 0, {}});
    correlate(Matrix{0, 0, {}}, value(1));
    correlate(rows(2, 3, {1, 2, 3, 4, 5, 6}), rows(1, 4, {1, 1, 1, 1}));
    correlate(rows(2, 3, {1, 2, 3, 4, 5, 6}), rows(3, 1, {1, 1, 1}));
    // Signed zeros: every sum starts from +0.
    correlate(rows(2, 3, {-0.0, -0.0, -0.0, 1, -0.0, 2}), rows(1, 2, {1, 1}));
    correlate(rows(2, 3, {-0.0, -0.0, -0.0, 1, -0.0, 2}), rows(1, 2, {-0.0, -1}));
    Source s(4);
    for (int k = 0; k < 4; ++k)
        correlate(make(6 + k, 11 + 3 * k, [&](std::size_t, std::size_t) { return s.mixed(); }),
                  make(2 + k % 2, 3 + k, [&](std::size_t, std::size_t) { return s.mixed(); }));
    correlate(make(5, 9, [&](std::size_t, std::size_t) { return 1e-160 * (1 + s.unit()); }),
              make(2, 2, [&](std::size_t, std::size_t) { return 1e-160 * (1 + s.unit()); }));
    // Output rows P and columns Q around the block sizes and vector widths.
    const std::size_t kernels[][2] = {{1, 1}, {2, 3}, {3, 2}, {1, 4}, {4, 1}, {3, 3}};
    std::size_t t = 0;
    for (std::size_t q : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 32, 33, 65}) {
        for (std::size_t p : {1, 2, 3, 4, 5, 6, 9, 11}) {
            if (q >= 31 && p != 1 && p != 5 && p != 6 && p != 11) continue;
            const auto& kk = kernels[t++ % (sizeof kernels / sizeof kernels[0])];
            correlate(make(p + kk[0] - 1, q + kk[1] - 1, [&](std::size_t, std::size_t) { return s.unit() * 2 - 1; }),
                      make(kk[0], kk[1], [&](std::size_t, std::size_t) { return s.unit() * 2 - 1; }));
        }
    }
    correlate(make(40, 75, [&](std::size_t, std::size_t) { return s.unit(); }),
              make(6, 33, [&](std::size_t, std::size_t) { return s.unit() - 0.5; }));
}

}  // namespace golden
