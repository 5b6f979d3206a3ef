#include "distanceTable.h"

#include "allocation.h"
#include "instructionSet.h"

#include <cmath>
#include <cstddef>
#include <limits>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#define PAIRMETRIC_X86 1
#include <immintrin.h>
#else
#define PAIRMETRIC_X86 0
#endif

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

#if PAIRMETRIC_X86

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

namespace baseline {

using Vec = __m128d;
constexpr int lanes = 2;
inline Vec zero() { return _mm_setzero_pd(); }
inline Vec splat(double x) { return _mm_set1_pd(x); }
inline Vec load(const double* p) { return _mm_loadu_pd(p); }
inline void store(double* p, Vec v) { _mm_storeu_pd(p, v); }
inline Vec broadcast(const double* p) { return _mm_load1_pd(p); }
inline Vec add(Vec a, Vec b) { return _mm_add_pd(a, b); }
inline Vec sub(Vec a, Vec b) { return _mm_sub_pd(a, b); }
inline Vec mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
inline Vec div(Vec a, Vec b) { return _mm_div_pd(a, b); }
inline Vec root(Vec a) { return _mm_sqrt_pd(a); }
// minpd gives its first operand when it is less than the second, otherwise the
// second: b on ties, on -0/+0 and whenever either is NaN.
inline Vec pick(Vec a, Vec b) { return _mm_min_pd(a, b); }

#include "distanceTile.inc"

}  // namespace baseline

REGIONKIT_TARGET_BEGIN("avx2")

namespace avx2 {

using Vec = __m256d;
constexpr int lanes = 4;
inline Vec zero() { return _mm256_setzero_pd(); }
inline Vec splat(double x) { return _mm256_set1_pd(x); }
inline Vec load(const double* p) { return _mm256_loadu_pd(p); }
inline void store(double* p, Vec v) { _mm256_storeu_pd(p, v); }
inline Vec broadcast(const double* p) { return _mm256_broadcast_sd(p); }
inline Vec add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
inline Vec sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
inline Vec mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
inline Vec div(Vec a, Vec b) { return _mm256_div_pd(a, b); }
inline Vec root(Vec a) { return _mm256_sqrt_pd(a); }
// As minpd: the first operand when it is less than the second, otherwise the second.
inline Vec pick(Vec a, Vec b) { return _mm256_min_pd(a, b); }

#include "distanceTile.inc"

}  // namespace avx2

REGIONKIT_TARGET_END

// Asked on every call (a cheap read of what libgcc learnt at load time), so
// the plug-in keeps nothing of its own between calls.
bool haveAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

#endif  // PAIRMETRIC_X86

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

bool distanceKernelAvailable(DistanceKernel kernel) {
    switch (kernel) {
        case DistanceKernel::plain: return true;
#if PAIRMETRIC_X86
        case DistanceKernel::baseline: return true;
        case DistanceKernel::avx2: return haveAvx2();
#else
        case DistanceKernel::baseline:
        case DistanceKernel::avx2: return false;
#endif
    }
    return false;
}

DistanceKernel fastestDistanceKernel() {
    if (distanceKernelAvailable(DistanceKernel::avx2)) return DistanceKernel::avx2;
    if (distanceKernelAvailable(DistanceKernel::baseline)) return DistanceKernel::baseline;
    return DistanceKernel::plain;
}

namespace {

void fillWith(DistanceKernel kernel, const double* const* tableA, std::int32_t m, std::int32_t n,
              const double* const* tableB, std::int32_t r, double code, bool rescale, double* out) {
    const int metric = metricOf(code);
#if PAIRMETRIC_X86
    // Vectors only pay where there are sums to run: with no pairs, no elements
    // or a code without a metric the plain walk is as quick.
    if (kernel != DistanceKernel::plain && metric != 0 && m > 0 && r > 0 && n > 0) {
        const bool wide = kernel == DistanceKernel::avx2;
        const int width = wide ? avx2::blockRows : baseline::blockRows;
        double* packed = packRows(tableB, r, n, width);
        if (packed != nullptr) {
            if (wide)
                avx2::fillPacked(tableA, m, n, packed, r, metric, rescale, out);
            else
                baseline::fillPacked(tableA, m, n, packed, r, metric, rescale, out);
            gateway::release(packed);
            return;
        }
    }
#else
    (void)kernel;
    (void)metric;
#endif
    fillPlain(tableA, m, n, tableB, r, code, rescale, out);
}

}  // namespace

void fillDistanceTableWith(DistanceKernel kernel, const double* const* tableA, std::int32_t m, std::int32_t n,
                           const double* const* tableB, std::int32_t r, double code, double* out) {
    fillWith(kernel, tableA, m, n, tableB, r, code, true, out);
}

void fillDistancesWith(DistanceKernel kernel, const double* const* tableA, std::int32_t m, std::int32_t n,
                       const double* const* tableB, std::int32_t r, double code, double* out) {
    fillWith(kernel, tableA, m, n, tableB, r, code, false, out);
}

void fillDistanceTable(const double* const* tableA, std::int32_t m, std::int32_t n, const double* const* tableB,
                       std::int32_t r, double code, double* out) {
    fillDistanceTableWith(fastestDistanceKernel(), tableA, m, n, tableB, r, code, out);
}
