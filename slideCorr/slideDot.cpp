#include "slideDot.h"

#include "instructionSet.h"

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SLIDEDOT_X86 1
#include <immintrin.h>
#else
#define SLIDEDOT_X86 0
#endif

namespace {

// The sizes of one call, widened so that no index arithmetic can wrap.
struct Geometry {
    const double* a;
    std::uint64_t N;
    const double* k;
    std::uint64_t m;
    std::uint64_t n;
    std::uint64_t P;
    std::uint64_t Q;
    double* out;
};

// One double at a time: the path every processor has, and the one that takes
// maps too narrow for a vector.
namespace portable {

struct Lanes {
    using T = double;
    static constexpr int W = 1;
    static T zero() { return 0.0; }
    static T load(const double* p) { return *p; }
    static T broadcast(const double* p) { return *p; }
    static T mul(T x, T y) { return x * y; }
    static T add(T x, T y) { return x + y; }
    static void store(T x, double* lanes) { lanes[0] = x; }
};
constexpr int rowsPerBlock = 4;
constexpr int vectorsPerBlock = 3;

#include "slideDotBlocks.inc"

}  // namespace portable

#if SLIDEDOT_X86

// Multiplies and adds stay separate instructions: the fused multiply-add rounds
// once where the sums need two roundings, and these regions never enable it.
REGIONKIT_TARGET_BEGIN("avx2")
namespace avx2 {

struct Lanes {
    using T = __m256d;
    static constexpr int W = 4;
    static T zero() { return _mm256_setzero_pd(); }
    static T load(const double* p) { return _mm256_loadu_pd(p); }
    static T broadcast(const double* p) { return _mm256_broadcast_sd(p); }
    static T mul(T x, T y) { return _mm256_mul_pd(x, y); }
    static T add(T x, T y) { return _mm256_add_pd(x, y); }
    static void store(T x, double* lanes) { _mm256_storeu_pd(lanes, x); }
};
constexpr int rowsPerBlock = 3;
constexpr int vectorsPerBlock = 3;

#include "slideDotBlocks.inc"

}  // namespace avx2
REGIONKIT_TARGET_END

REGIONKIT_TARGET_BEGIN("avx512f")
namespace avx512 {

struct Lanes {
    using T = __m512d;
    static constexpr int W = 8;
    static T zero() { return _mm512_setzero_pd(); }
    static T load(const double* p) { return _mm512_loadu_pd(p); }
    static T broadcast(const double* p) { return _mm512_set1_pd(*p); }
    static T mul(T x, T y) { return _mm512_mul_pd(x, y); }
    static T add(T x, T y) { return _mm512_add_pd(x, y); }
    static void store(T x, double* lanes) { _mm512_storeu_pd(lanes, x); }
};
constexpr int rowsPerBlock = 5;
constexpr int vectorsPerBlock = 4;

#include "slideDotBlocks.inc"

}  // namespace avx512
REGIONKIT_TARGET_END

#endif  // SLIDEDOT_X86

// With no kernel elements every sum is the empty sum 0.0.
void zeroAll(const Geometry& g) {
    const std::uint64_t count = g.P * g.Q;
    for (std::uint64_t t = 0; t < count; ++t) g.out[t] = 0.0;
}

void runPath(slideDotPaths::Path path, const Geometry& g) {
    using slideDotPaths::Path;
#if SLIDEDOT_X86
    if (path == Path::Avx512 && avx512::sweepAll(g)) return;
    if ((path == Path::Avx512 || path == Path::Avx2) && avx2::sweepAll(g)) return;
#else
    (void)path;
#endif
    portable::sweepAll(g);
}

// False when there is nothing to compute; otherwise fills g.
bool describe(const double* a, std::uint32_t M, std::uint32_t N, const double* k, std::uint32_t m,
              std::uint32_t n, double* out, Geometry& g) {
    // A kernel taller or wider than A has no valid position at all.
    if (m > M || n > N) return false;
    g = Geometry{a, N, k, m, n, std::uint64_t{M} - m + 1, std::uint64_t{N} - n + 1, out};
    return true;
}

slideDotPaths::Path widestPath() {
#if SLIDEDOT_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return slideDotPaths::Path::Avx512;
    if (__builtin_cpu_supports("avx2")) return slideDotPaths::Path::Avx2;
#endif
    return slideDotPaths::Path::Portable;
}

}  // namespace

void slideDot(const double* a, std::uint32_t M, std::uint32_t N, const double* k, std::uint32_t m,
              std::uint32_t n, double* out) {
    Geometry g;
    if (!describe(a, M, N, k, m, n, out, g)) return;
    if (m == 0 || n == 0) {
        zeroAll(g);
        return;
    }
    runPath(widestPath(), g);
}

namespace slideDotPaths {

const char* name(Path path) {
    switch (path) {
    case Path::Avx2: return "avx2";
    case Path::Avx512: return "avx512";
    default: return "portable";
    }
}

bool available(Path path) {
    switch (path) {
    case Path::Portable: return true;
    case Path::Avx2: return widestPath() != Path::Portable;
    case Path::Avx512: return widestPath() == Path::Avx512;
    }
    return false;
}

void run(Path path, const double* a, std::uint32_t M, std::uint32_t N, const double* k, std::uint32_t m,
         std::uint32_t n, double* out) {
    Geometry g;
    if (!describe(a, M, N, k, m, n, out, g)) return;
    if (m == 0 || n == 0) {
        zeroAll(g);
        return;
    }
    runPath(path, g);
}

}  // namespace slideDotPaths
