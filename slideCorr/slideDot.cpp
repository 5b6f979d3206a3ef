#include "exactArithmetic.h"

#include "slideDot.h"

#include "allocation.h"
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

// A working copy of a band of A's rows (see sweepBands): `columns` output
// columns at a time, A's columns `stride` doubles apart. data is null when
// the blocks read A where it is.
struct BandCopy {
    double* data;
    std::uint64_t stride;
    std::uint64_t columns;
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

// The band copy for a call, when it pays: on a vector level, with columns of
// A long enough (2 KB and more) for their stride to line them up in the
// cache's sets, a kernel wide enough for a block to read many of them at once,
// and a copy small enough to stay in the core's own cache. When
// it cannot be allocated the blocks read A in place, with the same results.
BandCopy bandCopyFor(isa::Isa level, const Geometry& g) {
    constexpr std::uint64_t columns = 256, tallestBlock = 48, largestCopy = std::uint64_t{2} << 20;
    BandCopy band{nullptr, 0, 0};
    if (level == isa::Isa::scalar || g.M < 256 || g.n < 8) return band;
    // Rows of the tallest band, rounded up to whole cache lines and one more,
    // so that the copy's columns do not line up in the sets either.
    const std::uint64_t stride = (tallestBlock + g.m - 1 + 7) / 8 * 8 + 8;
    const std::uint64_t width = (g.Q < columns ? g.Q : columns) + g.n - 1;
    if (g.n > largestCopy || stride * width * sizeof(double) > largestCopy) return band;
    band.data = static_cast<double*>(gateway::allocate(stride * width * sizeof(double)));
    band.stride = stride;
    band.columns = columns;
    return band;
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
    const isa::Isa run = isa::choose(level);
    BandCopy band = bandCopyFor(run, g);
    // A map shorter than one vector of a level goes to the next narrower one;
    // the scalar level takes every map.
    for (int l = static_cast<int>(run);; --l) {
        bool done = false;
        REGIONKIT_ON_PATH(static_cast<isa::Isa>(l), sweepAll(g, band, done));
        if (done || l == 0) break;
    }
    if (band.data != nullptr) gateway::release(band.data);
}

void slideDot(const double* a, std::uint32_t M, std::uint32_t N, const double* k, std::uint32_t m,
              std::uint32_t n, double* out) {
    slideDotOn(isa::preferred(), a, M, N, k, m, n, out);
}
