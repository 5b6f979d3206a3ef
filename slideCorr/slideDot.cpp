#include "slideDot.h"

#include "lanes.h"

#include <cstddef>
#include <cstdint>

namespace {

// The sizes of one call, widened so that no index arithmetic can wrap. A and
// K are column-major: M and m are their column strides.
struct Geometry {
    const double* a;
    std::uint64_t M;
    const double* k;
    std::uint64_t m;
    std::uint64_t n;
    std::uint64_t P;
    std::uint64_t Q;
    double* out;
};

// Vectors of consecutive row offsets (down a column) and output columns of one
// block per level: as many sums in flight as the level's registers hold beside
// the vectors loaded from A and one kernel value (and, for SSE2, whose
// multiply overwrites an operand, one product).
constexpr int blockVectorsFor(isa::Isa level) { return level == isa::Isa::v512 ? 6 : 3; }
constexpr int blockColumnsFor(isa::Isa level) { return level == isa::Isa::v512 ? 4 : 3; }

#define REGIONKIT_BODY "slideDotBlocks.inc"
#include "eachIsa.inc"
#undef REGIONKIT_BODY

// With no kernel elements every sum is the empty sum 0.0.
void zeroAll(const Geometry& g) {
    const std::uint64_t count = g.P * g.Q;
    for (std::uint64_t t = 0; t < count; ++t) g.out[t] = 0.0;
}

}  // namespace

void slideDotOn(isa::Isa level, const double* a, std::uint32_t M, std::uint32_t N, const double* k,
                std::uint32_t m, std::uint32_t n, double* out) {
    // A kernel taller or wider than A has no valid position at all.
    if (m > M || n > N) return;
    const Geometry g{a, M, k, m, n, std::uint64_t{M} - m + 1, std::uint64_t{N} - n + 1, out};
    if (m == 0 || n == 0) {
        zeroAll(g);
        return;
    }
    // A map shorter than one vector of a level goes to the next narrower one;
    // the scalar level takes every map.
    for (int l = static_cast<int>(isa::choose(level));; --l) {
        bool done = false;
        REGIONKIT_ON_PATH(static_cast<isa::Isa>(l), sweepAll(g, done));
        if (done || l == 0) return;
    }
}

void slideDot(const double* a, std::uint32_t M, std::uint32_t N, const double* k, std::uint32_t m,
              std::uint32_t n, double* out) {
    slideDotOn(isa::preferred(), a, M, N, k, m, n, out);
}
