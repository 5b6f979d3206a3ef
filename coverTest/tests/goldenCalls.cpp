// The golden calls of coverTest: its edge cases, and sizes around every vector
// width and block size its kernels use.
#include "goldenCalls.h"

namespace golden {

void coverTestGoldenCalls(Calls& calls) {
    const auto cover = [&calls](Matrix regions, Matrix boxes) { calls.add({std::move(regions), std::move(boxes)}, 1); };
    cover(rows(2, 4, {1, 1, 10, 10, 1, 1, 5, 5}), rows(3, 4, {0, 0, 100, 100, 1, 1, 10, 9, 1, 1, 5, 5}));
    cover(rows(2, 4, {1, 1, 10, 10, 1, 1, 20, 10}),
          rows(8, 4, {1, 1, 10, 10, 2, 1, 10, 10, 2, 1, 30, 10, 1, 1, 10, 9.5, 11, 1, 10, 10, 10, 1, 10, 10, 1, 1, 10, 9,
                      1, 1, 5, 5}));
    cover(rows(3, 4, {1, 1, 10, 10, 0, 0, 1, 1, 3, 3, 2, 2}), Matrix{0, 4, {}});
    cover(Matrix{0, 4, {}}, rows(2, 4, {1, 1, 10, 10, 0, 0, 1, 1}));
    // Sizes of zero, negative, fractional, infinite and NaN; signed zeros and denormals.
    const Matrix odd = rows(10, 4, {1, 1, 0, 10, 1, 1, 10, -2, 1, 1, 10, 10, nan, 1, 10, 10, 1, 1, inf, 10, -inf, 1, inf, 10,
                                    -0.0, -0.0, 1, 1, 0.0, 0.0, subnormal, 1, 1, 1, 10.5, 9.5, 1, 1, 1e300, 1e300});
    cover(odd, odd);
    // Box counts around the 256-box blocks and the vector widths.
    Source s(5);
    for (std::size_t mb : {1, 2, 3, 4, 5, 7, 8, 9, 255, 256, 257, 513}) {
        const std::size_t ma = 1 + mb % 3 * 2;
        const auto coordinate = [&](std::size_t, std::size_t j) {
            const double fraction = s.below(4) == 0 ? s.unit() : 0;
            return j < 2 ? s.whole(0, 40) + fraction : j < 4 ? s.whole(1, 50) + fraction : s.mixed();
        };
        cover(make(ma, 4 + ma % 3, coordinate), make(mb, 4 + mb % 2, coordinate));
    }
    const Matrix boxes = make(300, 4, [&](std::size_t, std::size_t j) { return j < 2 ? s.whole(0, 200) : s.whole(10, 120); });
    const Matrix regions = make(20, 4, [&](std::size_t, std::size_t j) { return j < 2 ? s.whole(0, 250) : s.whole(2, 40); });
    cover(regions, boxes);
}

}  // namespace golden
