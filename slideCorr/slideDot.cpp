#include "exactArithmetic.h"

#include "slideDot.h"

#include "allocation.h"
#include "lanes.h"

#include <cstddef>
#include <cstdint>

namespace regionkit {

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
// block per level, from its registers: a fifth of them for the vectors loaded
// from A, then as many sums in flight as leave room for one kernel value and
// one product (SSE2's multiply overwrites an operand). 16 registers give 3 x 3
// blocks, 32 give 6 x 4.
constexpr int blockVectorsFor(isa::Isa level) { return isa::registersOf(level) / 5; }
constexpr int blockColumnsFor(isa::Isa level) {
    return (isa::registersOf(level) - blockVectorsFor(level) - 2) / blockVectorsFor(level);
}
constexpr std::uint64_t blockHeightFor(isa::Isa level) {
    return static_cast<std::uint64_t>(blockVectorsFor(level)) * static_cast<std::uint64_t>(isa::widthOf(level));
}

// The tallest block of any level. A band copy holds that many rows and the
// kernel's height less one, so one copy serves whichever level fills it.
constexpr std::uint64_t tallestBlock() {
    std::uint64_t tallest = 0;
    for (const isa::Level& level : isa::levels)
        if (blockHeightFor(level.isa) > tallest) tallest = blockHeightFor(level.isa);
    return tallest;
}

#define REGIONKIT_BODY "slideDotBlocks.inc"
#include "eachIsa.inc"
#undef REGIONKIT_BODY

// With no kernel elements every sum is the empty sum 0.0.
void zeroAll(const Geometry& g) {
    const std::uint64_t count = g.P * g.Q;
    for (std::uint64_t t = 0; t < count; ++t) g.out[t] = 0.0;
}

// The band copy for a sweep at `level`, when that sweep uses one and it pays:
// a vector level, a map of at least one full block, columns of A long enough
// (2 KB and more) for their stride to line them up in the cache's sets, a
// kernel wide enough for a block to read many of them at once, and a copy
// small enough to stay in the core's own cache. When it cannot be allocated
// the blocks read A in place, with the same results.
BandCopy bandCopyFor(isa::Isa level, const Geometry& g) {
    constexpr std::uint64_t columns = 256, largestCopy = std::uint64_t{2} << 20, lineDoubles = 8;
    BandCopy band{nullptr, 0, 0};
    if (level == isa::Isa::scalar || g.M < 256 || g.n < 8) return band;
    if (g.P < blockHeightFor(level) || g.Q < static_cast<std::uint64_t>(blockColumnsFor(level))) return band;
    if (g.m > largestCopy || g.n > largestCopy) return band;
    // Rows of the tallest band, in an odd number of whole cache lines: the
    // copy's columns then step through every cache set before any two meet in
    // one, whatever the kernel's height.
    std::uint64_t lines = (tallestBlock() + g.m - 1 + lineDoubles - 1) / lineDoubles;
    lines += 1 - lines % 2;
    const std::uint64_t stride = lines * lineDoubles;
    const std::uint64_t width = (g.Q < columns ? g.Q : columns) + g.n - 1;
    if (stride * width * sizeof(double) > largestCopy) return band;
    band.data = static_cast<double*>(gateway::tryAllocate(stride * width * sizeof(double)));
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
    // A map shorter than one vector of a level goes to the next narrower one;
    // the scalar level takes every map.
    isa::Isa run = isa::choose(level);
    while (run != isa::Isa::scalar && g.P < static_cast<std::uint64_t>(isa::widthOf(run)))
        run = static_cast<isa::Isa>(static_cast<int>(run) - 1);
    const BandCopy band = bandCopyFor(run, g);
    REGIONKIT_RUN(run, sweepAll(g, band));
    if (band.data != nullptr) gateway::releaseTried(band.data);
}

void slideDot(const double* a, std::uint32_t M, std::uint32_t N, const double* k, std::uint32_t m,
              std::uint32_t n, double* out) {
    slideDotOn(isa::preferred(), a, M, N, k, m, n, out);
}

}  // namespace regionkit
