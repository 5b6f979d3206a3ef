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
                     static_cast<double>(-0.1f), -0.2, 0.1, inf, -inf, subnormal})
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

    // Options: each alone, several together, with groups; on clustered boxes
    // with fractional coordinates, ties, twins and NaN scores, few enough for
    // the plain walk and enough for the grid.
    Source o(2);
    const auto clustered = [&o](std::size_t m) {
        return make(m, 5, [&o](std::size_t i, std::size_t j) {
            if (j < 2) return (i % 7) * 30.0 + o.whole(0, 12) + o.unit();
            if (j < 4) return o.whole(5, 40) + o.unit();
            const std::uint64_t pick = o.below(8);
            return pick == 0 ? nan : pick < 3 ? o.whole(0, 4) / 4 : o.unit();
        });
    };
    const Matrix few = clustered(40), many = clustered(150);
    const Matrix groups = make(150, 1, [&o](std::size_t, std::size_t) { return static_cast<double>(o.below(3)); });
    const std::vector<std::vector<Matrix>> optionSets = {
        {word("MaxKept"), value(0)},
        {word("MaxKept"), value(1)},
        {word("maxkept"), value(5)},
        {word("MaxKept"), value(inf)},
        {word("ScoreFloor"), value(0.5)},
        {word("RatioType"), word("Min")},
        {word("Decay"), word("linear")},
        {word("Decay"), word("gaussian")},
        {word("Decay"), word("Gaussian"), word("Sigma"), value(0.1)},
        {word("Decay"), word("gaussian"), word("Sigma"), value(0.0014)},  // exponents down to -714: subnormal
        {word("Decay"), word("linear"), word("ScoreFloor"), value(0.3), word("MaxKept"), value(12)},
        {word("Rule"), word("plain")},
        {word("Rule"), word("plain"), word("RatioType"), word("min"), word("MaxKept"), value(3)},
        {word("Rule"), word("plain"), word("Decay"), word("gaussian"), word("Sigma"), value(0.3), word("ScoreFloor"),
         value(0.05)},
        {word("Rule"), word("plain"), word("Decay"), word("linear")},
    };
    for (const std::vector<Matrix>& options : optionSets)
        for (const Matrix* boxes : {&few, &many}) {
            std::vector<Matrix> arguments = {*boxes, value(0.4)};
            if (boxes == &many && options.size() > 2) arguments.push_back(groups);
            arguments.insert(arguments.end(), options.begin(), options.end());
            calls.add(std::move(arguments), 3);
        }

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
