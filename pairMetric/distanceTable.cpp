#include "distanceTable.h"

#include "allocation.h"
#include "lanes.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace {

int metricOf(double code) {
    if (code == histogramIntersection) return 1;
    if (code == euclideanDistance) return 2;
    return 0;
}

// The running bounds of the distances, taken in output order.
struct Bounds {
    double lo = 1.0;
    double hi = 0.0;

    void take(const double* d, std::size_t count) {
        for (std::size_t x = 0; x < count; ++x) {
            if (d[x] > hi) hi = d[x];
            if (d[x] < lo) lo = d[x];
        }
    }
};

void fillPlain(const double* const* tableA, std::int32_t m, std::int32_t n, const double* const* tableB,
               std::int32_t r, double code, bool rescale, double* out) {
    Bounds bounds;
    std::size_t x = 0;
    for (std::int32_t i = 0; i < m; ++i)
        for (std::int32_t j = 0; j < r; ++j, ++x) {
            out[x] = rowDistance(tableA[i], tableB[j], n, code);
            bounds.take(out + x, 1);
        }
    if (!rescale) return;
    const double span = bounds.hi - bounds.lo;
    for (std::size_t y = 0; y < x; ++y) out[y] = (out[y] - bounds.lo) / span;
}

// B rows regrouped for the vector kernels: block b holds rows b*width ..
// b*width + width-1, element k of them side by side at
// packed[(b*n + k)*width + 0 .. width-1]. Rows past the end are zeros; their
// lanes are computed and thrown away.
double* packRows(const double* const* tableB, std::int32_t r, std::int32_t n, int width) {
    const std::size_t blocks = (static_cast<std::size_t>(r) + static_cast<std::size_t>(width) - 1) /
                               static_cast<std::size_t>(width);
    const std::size_t blockSize = static_cast<std::size_t>(n) * static_cast<std::size_t>(width);
    if (blockSize != 0 && blocks > std::numeric_limits<std::size_t>::max() / sizeof(double) / blockSize)
        return nullptr;
    auto packed = static_cast<double*>(gateway::allocate(blocks * blockSize * sizeof(double)));
    if (packed == nullptr) return nullptr;
    for (std::size_t b = 0; b < blocks; ++b) {
        double* block = packed + b * blockSize;
        for (int l = 0; l < width; ++l) {
            const std::size_t j = b * static_cast<std::size_t>(width) + static_cast<std::size_t>(l);
            const double* row = j < static_cast<std::size_t>(r) ? tableB[j] : nullptr;
            for (std::int32_t k = 0; k < n; ++k)
                block[static_cast<std::size_t>(k) * static_cast<std::size_t>(width) + static_cast<std::size_t>(l)] =
                    row != nullptr ? row[k] : 0.0;
        }
    }
    return packed;
}

// The scalar level is fillPlain; the vector levels share one body.
#define REGIONKIT_BODY "distanceTile.inc"
#define REGIONKIT_BODY_VECTOR_ONLY
#define REGIONKIT_SCALAR_CALL(call) (void)0
#include "eachIsa.inc"
#undef REGIONKIT_BODY

}  // namespace

double rowDistance(const double* a, const double* b, std::int32_t n, double code) {
    if (code == histogramIntersection) {
        double sum = 0.0;
        for (std::int32_t k = 0; k < n; ++k) sum = sum + (b[k] > a[k] ? a[k] : b[k]);
        return 1.0 - sum;
    }
    if (code == euclideanDistance) {
        double sum = 0.0;
        for (std::int32_t k = 0; k < n; ++k) {
            const double t = a[k] - b[k];
            sum = sum + t * t;
        }
        return std::sqrt(sum);
    }
    return 0.0;
}

namespace {

void fillOn(isa::Isa level, const double* const* tableA, std::int32_t m, std::int32_t n,
            const double* const* tableB, std::int32_t r, double code, bool rescale, double* out) {
    const int metric = metricOf(code);
    const isa::Isa run = isa::choose(level);
    // Vectors only pay where there are sums to run: with no pairs, no elements
    // or a code without a metric the plain walk is as quick.
    if (run != isa::Isa::scalar && metric != 0 && m > 0 && r > 0 && n > 0) {
        bool done = false;
        REGIONKIT_ON_PATH(run, fillVector(tableA, m, n, tableB, r, metric, rescale, out, done));
        if (done) return;
    }
    fillPlain(tableA, m, n, tableB, r, code, rescale, out);
}

}  // namespace

void fillDistanceTableOn(isa::Isa level, const double* const* tableA, std::int32_t m, std::int32_t n,
                         const double* const* tableB, std::int32_t r, double code, double* out) {
    fillOn(level, tableA, m, n, tableB, r, code, true, out);
}

void fillDistancesOn(isa::Isa level, const double* const* tableA, std::int32_t m, std::int32_t n,
                     const double* const* tableB, std::int32_t r, double code, double* out) {
    fillOn(level, tableA, m, n, tableB, r, code, false, out);
}

void fillDistanceTable(const double* const* tableA, std::int32_t m, std::int32_t n, const double* const* tableB,
                       std::int32_t r, double code, double* out) {
    fillDistanceTableOn(isa::preferred(), tableA, m, n, tableB, r, code, out);
}
