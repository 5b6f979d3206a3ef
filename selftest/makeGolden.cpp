// Writes the golden calls file (format: goldenFile.h): a fixed set of calls of
// every function, through the stand-in host, with the results they give here.
//   makeGolden <output file>
//
// The calls cover each function's edge cases (ties, NaN, signed zeros,
// denormals, infinities, the 0.9 / 0.99 / 4096 limits, empty sides), sizes on
// both sides of every vector width (2, 4 and 8 doubles) and block size the
// kernels use (5 x 32 outputs in slideCorr, 4 x 16 pairs in pairMetric, 256
// boxes in coverTest, 8 x 256 tiles in rectRefit's copy), and larger random
// cases. Random inputs are made from the raw output of std::mt19937_64, whose
// sequence the C++ standard fixes, never through a distribution (those differ
// between standard libraries); the inputs are stored in the file anyway, so
// readers never generate anything.
#include "goldenFile.h"
#include "host.h"
#include "pluginPaths.h"

#include <cstdio>
#include <limits>
#include <memory>
#include <random>

namespace {

using golden::Call;
using golden::Matrix;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double tiny = std::numeric_limits<double>::denorm_min();
constexpr double subnormal = 1e-310;

enum Function { rectCull = 1, pairMetric, rectRefit, slideCorr, coverTest, regionTally };

class Source {
public:
    explicit Source(std::uint64_t seed) : engine_(seed) {}
    // [0, 1) from the top 53 bits.
    double unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
    // A whole number from 0 to n - 1.
    std::uint64_t below(std::uint64_t n) { return engine_() % n; }
    double whole(int lo, int hi) { return lo + static_cast<double>(below(static_cast<std::uint64_t>(hi - lo + 1))); }
    // Mostly ordinary values, now and then one of the special ones.
    double mixed() {
        static const double special[] = {nan, -nan, 0.0, -0.0, inf, -inf, tiny, -tiny, subnormal,
                                         -subnormal, 1e300, -1e300, 1.0, 0.5};
        if (below(5) == 0) return special[below(sizeof special / sizeof special[0])];
        return unit() * 4 - 2;
    }

private:
    std::mt19937_64 engine_;
};

// From rows written as on paper.
Matrix rows(std::size_t r, std::size_t c, std::initializer_list<double> rowMajor) {
    if (rowMajor.size() != r * c) throw std::logic_error("rows: wrong element count");
    Matrix m{r, c, std::vector<double>(r * c)};
    std::size_t k = 0;
    for (double v : rowMajor) {
        m.data[(k % c) * r + k / c] = v;
        ++k;
    }
    return m;
}

Matrix value(double v) { return Matrix{1, 1, {v}}; }

template <class F>
Matrix make(std::size_t r, std::size_t c, F element) {  // element(i, j), called in column-major order
    Matrix m{r, c, std::vector<double>(r * c)};
    for (std::size_t j = 0; j < c; ++j)
        for (std::size_t i = 0; i < r; ++i) m.data[j * r + i] = element(i, j);
    return m;
}

std::vector<Call> calls;

void add(int function, std::vector<Matrix> arguments, int results) {
    Call c;
    c.function = function;
    c.arguments = std::move(arguments);
    c.results.resize(static_cast<std::size_t>(results));
    calls.push_back(std::move(c));
}

void cullCalls() {
    const auto cull = [](Matrix boxes, double threshold) { add(rectCull, {std::move(boxes), value(threshold)}, 1); };
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
    add(rectCull, {rows(2, 5, {0, 0, 10, 10, 0.5, 1, 1, 10, 10, 0.9}), rows(1, 3, {0.3, 0.99, 0.0})}, 1);
    add(rectCull, {rows(1, 5, {3, 4, 5, 6, 0.5}), value(0.5)}, 1);

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

void metricCalls() {
    const auto metric = [](Matrix a, Matrix b, double code) {
        add(pairMetric, {std::move(a), std::move(b), value(code)}, 1);
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
    add(pairMetric, {a, b, rows(1, 2, {2, 1})}, 1);
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

void refitCalls() {
    const auto refit = [](Matrix boxes, Matrix regions, Matrix members, double height, double width) {
        add(rectRefit, {std::move(boxes), std::move(regions), std::move(members), value(height), value(width)}, 1);
    };
    const Matrix box = rows(1, 5, {3, 4, 5, 6, 0.8});
    refit(box, rows(1, 4, {10, 20, 5, 6}), value(0), 100, 100);
    refit(rows(1, 4, {0, 0, 1, 1}), rows(1, 4, {10, 20, 5, 6}), value(1), 100, 100);
    refit(rows(1, 4, {0, 0, 1, 1}), rows(2, 4, {2, 3, 4, 4, 10, 1, 2, 2}), rows(1, 2, {1, 1}), 100, 100);
    refit(box, rows(1, 4, {95, 45, 10, 10}), value(1), 50, 100);
    refit(box, rows(1, 4, {95, 45, 10, 10}), value(1), 100, 50);
    refit(box, rows(1, 4, {1, 1, 640, 480}), value(1), 480, 640);
    refit(box, rows(1, 4, {1, 1, 640, 480}), value(1), 480.9, 640.7);
    refit(box, rows(1, 4, {10.5, 20.25, 3, 3}), value(1), 100, 100);
    refit(box, rows(1, 4, {150000, 5, 7, 3}), value(1), 100, 1e6);
    refit(box, rows(1, 4, {-10, -10, 5, 5}), value(1), 100, 100);
    refit(Matrix{0, 5, {}}, rows(1, 4, {1, 1, 2, 2}), Matrix{0, 1, {}}, 100, 100);
    refit(rows(2, 6, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}), Matrix{0, 4, {}}, Matrix{2, 0, {}}, 100, 100);
    // Only an element equal to 1.0 makes a member; rows and columns beyond the
    // boxes and regions are not read.
    refit(rows(2, 4, {3, 4, 5, 6, 7, 8, 9, 10}), rows(2, 4, {10, 20, 5, 6, 30, 30, 2, 2}),
          rows(3, 4, {0.5, 2, 1, 1, -1, nan, 1, 1, 1, 1, 1, 1}), 100, 100);
    refit(rows(2, 4, {3, 4, 5, 6, 7, 8, 9, 10}), rows(2, 4, {10, 20, 5, 6, 30, 30, 2, 2}),
          rows(2, 2, {1 + 1e-15, 1 - 1e-16, -0.0, 1}), 100, 100);
    // Special coordinates in member regions, and image sizes at the edges.
    refit(rows(3, 4, {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3}),
          rows(4, 4, {nan, 5, 5, 5, 5, inf, 5, 5, -0.0, 0.0, subnormal, -subnormal, -inf, 7, 1e300, 2}),
          rows(3, 4, {1, 1, 0, 0, 0, 1, 1, 0, 1, 0, 1, 1}), 2147483647.5, -0.5);
    refit(rows(2, 4, {1, 1, 1, 1, 2, 2, 2, 2}), rows(2, 4, {4, 4, 4, 4, 8, 8, 8, 8}), rows(2, 2, {1, 1, 1, 0}), 0, 0);
    // Box shapes around the 8 x 256 tiles and the 2- and 4-wide blocks of the copy.
    Source s(3);
    const std::size_t shapes[][2] = {{1, 4},  {2, 5},  {3, 6},   {5, 7},  {7, 9},   {8, 11},  {9, 4},   {15, 5},
                                     {16, 8}, {17, 257}, {9, 263}, {259, 5}, {33, 6}, {4, 255}, {8, 256}, {6, 513}};
    for (const auto& shape : shapes) {
        const std::size_t m1 = 1 + s.below(12);
        const Matrix boxes = make(shape[0], shape[1], [&](std::size_t, std::size_t j) {
            return j < 2 ? s.whole(-5, 120) + s.unit() : j < 4 ? s.whole(1, 40) : s.mixed();
        });
        const Matrix regions = make(m1, 4 + m1 % 2, [&](std::size_t, std::size_t j) {
            return j < 2 ? s.whole(-5, 120) + (s.below(2) ? s.unit() : 0) : j < 4 ? s.whole(1, 30) : 0;
        });
        const Matrix members = make(shape[0] + s.below(2), m1 + s.below(2), [&](std::size_t, std::size_t) {
            const std::uint64_t k = s.below(10);
            return k < 3 ? 1.0 : k == 3 ? 0.5 : 0.0;
        });
        refit(boxes, regions, members, 100 + s.below(3) * 0.5, 110);
    }
    const Matrix boxes = make(100, 4, [&](std::size_t, std::size_t j) { return j < 2 ? s.whole(0, 300) : s.whole(5, 80); });
    const Matrix regions = make(40, 4, [&](std::size_t, std::size_t j) { return j < 2 ? s.whole(0, 300) : s.whole(2, 60); });
    refit(boxes, regions, make(100, 40, [&](std::size_t, std::size_t) { return s.below(8) == 0 ? 1.0 : 0.0; }), 240, 320);
}

void correlationCalls() {
    const auto correlate = [](Matrix a, Matrix k) { add(slideCorr, {std::move(a), std::move(k)}, 1); };
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

void coverCalls() {
    const auto cover = [](Matrix regions, Matrix boxes) { add(coverTest, {std::move(regions), std::move(boxes)}, 1); };
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

void tallyCalls() {
    const auto tally = [](Matrix words, Matrix regions, double w, double r, int results) {
        add(regionTally, {std::move(words), std::move(regions), value(w), value(r)}, results);
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

bool run(Call& c) {
    const char* name = golden::functionNames[c.function - 1];
    const char* path = golden::pluginPath(c.function);
    if (path == nullptr) throw std::runtime_error(std::string(name) + " is not built: every function is needed");
    static std::unique_ptr<testhost::Plugin> plugins[golden::functionCount];
    auto& plugin = plugins[c.function - 1];
    if (!plugin) plugin = std::make_unique<testhost::Plugin>(path);
    std::vector<testhost::ArrayPtr> held;
    std::vector<const mxArray*> args;
    for (const Matrix& m : c.arguments) {
        held.push_back(testhost::columnMajor(m.rows, m.cols, m.data));
        args.push_back(held.back().get());
    }
    const testhost::CallResult r = plugin->call(static_cast<int>(c.results.size()), args);
    if (r.raised) {
        std::fprintf(stderr, "makeGolden: a %s call was refused: %s\n", name, r.message.c_str());
        return false;
    }
    for (std::size_t i = 0; i < c.results.size(); ++i) {
        const mxArray* out = r.out(i);
        if (out == nullptr) {
            std::fprintf(stderr, "makeGolden: a %s call gave no result %zu\n", name, i + 1);
            return false;
        }
        c.results[i] = Matrix{mxGetM(out), mxGetN(out), testhost::values(out)};
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeGolden <output file>\n");
        return 2;
    }
    try {
        cullCalls();
        metricCalls();
        refitCalls();
        correlationCalls();
        coverCalls();
        tallyCalls();
        for (Call& c : calls)
            if (!run(c)) return 1;
        const std::vector<unsigned char> bytes = golden::encode(calls);
        golden::writeFile(argv[1], bytes);
        std::size_t perFunction[golden::functionCount] = {};
        for (const Call& c : calls) ++perFunction[c.function - 1];
        std::printf("makeGolden: %zu calls (", calls.size());
        for (int f = 0; f < golden::functionCount; ++f)
            std::printf("%s%s %zu", f ? ", " : "", golden::functionNames[f], perFunction[f]);
        std::printf("), %zu bytes, in %s\n", bytes.size(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "makeGolden: %s\n", e.what());
        return 1;
    }
    return 0;
}
