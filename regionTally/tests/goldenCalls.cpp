// The golden calls of regionTally: its edge cases, and sizes around every vector
// width and block size its kernels use.
#include "goldenCalls.h"

namespace golden {

void regionTallyGoldenCalls(Calls& calls) {
    const auto tally = [&calls](Matrix words, Matrix regions, double w, double r, int results) {
        calls.add({std::move(words), std::move(regions), value(w), value(r)}, results);
    };
    tally(rows(1, 3, {1, 2, 1}), rows(3, 2, {1, 2, 0, 2, 2, 0}), 2, 2, 2);
    tally(rows(1, 3, {1, 2, 1}), rows(3, 2, {1, 2, 0, 2, 2, 0}), 2, 2, 1);
    tally(rows(1, 3, {1, 2, 1}), Matrix{3, 2, std::vector<double>(6, 0.0)}, 2, 3, 2);
    tally(rows(1, 3, {1, 2, 1}), rows(1, 2, {1, 1}), 2, 2, 2);
    tally(rows(2, 2, {1, 2, 2, 1}), rows(1, 10, {1, 2, 0, 1, 2, 2, -0.0, 1, 9, 9}), 2, 2, 2);
    tally(rows(1, 4, {1.5, 2, 999, -4}), rows(4, 2, {2.9, 1, 3, 3, 0, -0.0, 0, 0}), 2, 3, 2);
    tally(rows(1, 2, {1, 1}), Matrix{2, 1, {0, 0}}, 0, 0, 2);
    tally(rows(1, 2, {1, 1}), Matrix{2, 1, {0, 0}}, 3, 0, 2);
    tally(rows(1, 2, {1, 1}), Matrix{2, 1, {0, 0}}, 0, 2, 2);
    tally(rows(1, 3, {1, 2, 3}), rows(3, 1, {1, 2, 3}), 3.9, 3.2, 2);
    Source s(6);
    for (std::size_t n : {1, 7, 64, 600}) {
        const std::size_t k = 1 + n % 4;
        const double w = static_cast<double>(1 + n % 17), r = static_cast<double>(1 + n % 11);
        const Matrix words = make(n, 1, [&](std::size_t, std::size_t) { return s.whole(1, static_cast<int>(w)) + s.unit() * 0.99; });
        const Matrix regions = make(n, k, [&](std::size_t, std::size_t) { return s.below(5) < 2 ? 0.0 : s.whole(1, static_cast<int>(r)); });
        tally(words, regions, w, r, 2);
    }
}

}  // namespace golden
