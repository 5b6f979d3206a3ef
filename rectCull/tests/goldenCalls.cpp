// The golden calls of rectCull: its edge cases, and sizes around every vector
// width and block size its kernels use.
#include "goldenCalls.h"

namespace golden {

void rectCullGoldenCalls(Calls& calls) {
    const auto cull = [&calls](Matrix boxes, double threshold) { calls.add({std::move(boxes), value(threshold)}, 1); };
    const double below99 = static_cast<double>(std::nextafter(0.99f, 0.0f));
    cull(Matrix{0, 5, {}}, 0.5);
    cull(Matrix{0, 7, {}}, 0.99);
    // Overlap 1/3: a small kept box raises the threshold by 0.1, a large one does not.
    const Matrix small = rows(2, 5, {0, 0, 10, 10, 0.9, 5, 0, 10, 10, 0.8});
    const Matrix large = rows(2, 5, {0, 0, 100, 100, 0.9, 50, 0, 100, 100, 0.8});
    for (double t : {0.3, 1.0 / 3, 0.2333333, 0.99, 0.98, below99, 0.9900000001, 0.0}) {
        cull(small, t);
        cull(large, t);
    }
    // Twins, touching boxes and the 64 x 64 = 4096 area limit.
    const Matrix twins = rows(9, 5, {1,  1,  10, 10, 0.5, 1,  1,  10, 10, 0.7, 1,  1,  10, 10, 0.7,
                                     30, 30, 64, 64, 0.4, 30, 30, 64, 64, 0.3, 40, 40, 64, 65, 0.2,
                                     40, 40, 64, 65, 0.1, 11, 1,  10, 10, 0.6, 1,  11, 10, 10, 0.65});
    for (double t : {0.9, 0.95, static_cast<double>(std::nextafter(0.9f, 1.0f)), 1.0, 0.5, 0.0, -0.0, -0.1,
                     static_cast<double>(-0.1f), -0.2, 0.1, nan, inf, -inf, subnormal})
        cull(twins, t);
    // Boxes of no or negative width or height.
    cull(rows(5, 5, {0, 0, 0, 10, 1, 0, 0, 10, 10, 0.5, 5, 5, -3, 4, 0.7, 2, 2, 10, -1, 0.6, 3, 3, 80, 80, 0.1}), -0.5);
    cull(rows(5, 5, {0, 0, 0, 10, 1, 0, 0, 10, 10, 0.5, 5, 5, -3, 4, 0.7, 2, 2, 10, -1, 0.6, 3, 3, 80, 80, 0.1}), 0.3);
    // Scores: ties in single precision, NaN, infinities, signed zeros, denormals,
    // values beyond single precision's range. Disjoint boxes show the order.
    const double scores[] = {1.0, 1.0 + 1e-12, 1.0 - 1e-12, 0.5, nan, -nan, inf, -inf, 0.0, -0.0,
                             subnormal, -subnormal, 1e39, -1e39, 0.5, 1.0};
    const std::size_t n = sizeof scores / sizeof scores[0];
    cull(make(n, 5, [&](std::size_t i, std::size_t j) { return j == 0 ? 20.0 * i : j == 4 ? scores[i] : j == 1 ? 0 : 10; }),
         0.5);
    // The same scores on stacked boxes: the order decides which survive.
    cull(make(n, 6, [&](std::size_t i, std::size_t j) { return j == 0 ? static_cast<double>(i % 3) : j == 4 ? scores[i] : j == 5 ? 7.0 : j == 1 ? 0 : 10; }),
         0.6);
    // Truncation toward zero, extra columns, a threshold with several elements.
    cull(rows(4, 7, {10.7, -3.7, 20.9, 20.2, 0.3, 5, 6, -0.0, subnormal, 19.99, 30.5, 0.8, -1, -2, 2147483000.9, -2147483000.9,
                     3.5, 3.5, 0.1, 9, 9, 1e6, 1e6 + 0.5, 1e3, 1e3, 0.2, inf, nan}),
         0.1);
    calls.add({rows(2, 5, {0, 0, 10, 10, 0.5, 1, 1, 10, 10, 0.9}), rows(1, 3, {0.3, 0.99, 0.0})}, 1);
    calls.add({rows(1, 5, {3, 4, 5, 6, 0.5}), value(0.5)}, 1);

    Source s(1);
    for (std::size_t m : {2, 3, 9, 17, 64, 150}) {
        for (double t : {0.3, 0.5, 0.7}) {
            const bool fractional = m % 2 == 1;
            cull(make(m, 5 + m % 3, [&](std::size_t, std::size_t j) {
                     if (j < 2) return s.whole(0, 199) + (fractional ? s.unit() : 0);
                     if (j < 4) return s.whole(1, 90) + (fractional ? s.unit() : 0);
                     if (j == 4) return s.below(3) == 0 ? s.whole(0, 9) / 10 : s.unit();
                     return s.mixed();
                 }),
                 t);
        }
    }
}

}  // namespace golden
