#include "exactArithmetic.h"

#include "tallyWords.h"

#include "lanes.h"

#include <algorithm>
#include <cstring>

namespace regionkit {

namespace {

// A number's 0-based index: (truncation - 1), taken unsigned, so that a
// number truncating outside 1 .. count gives an index of count or more.
inline std::uint32_t indexOf(double v) { return static_cast<std::uint32_t>(isa::truncatedOrLeast(v)) - 1u; }

// Reads the region index straight through, block after block, and stops at
// the first membership that cannot be counted. With `counting`, adds each
// membership before it into the results (totals unless null); without, only
// finds that membership, for a tally that met one out of that order.
template <bool counting>
TallyFault straight(const double* words, std::int32_t n, const double* regions, std::int32_t k,
                    std::int32_t wordCount, std::int32_t regionCount, double* counts, double* totals) {
    TallyFault fault;
    const std::int64_t stride = wordCount;
    const auto words32 = static_cast<std::uint32_t>(wordCount);
    const auto regions32 = static_cast<std::uint32_t>(regionCount);
    const double* membership = regions;
    for (std::int32_t i = 0; i < k; ++i) {
        for (std::int32_t t = 0; t < n; ++t, ++membership) {
            const double e = *membership;
            if (e == 0.0) continue;
            const std::uint32_t r = indexOf(e);
            const std::uint32_t w = indexOf(words[t]);
            if ((r >= regions32) | (w >= words32)) {
                fault.kind = r < regions32 ? TallyFault::badWord : TallyFault::badRegion;
                fault.membership = membership - regions;
                fault.location = t;
                return fault;
            }
            if (!counting) continue;
            counts[static_cast<std::int64_t>(w) + static_cast<std::int64_t>(r) * stride] += 1.0;
            if (totals != nullptr) totals[w] += 1.0;
        }
    }
    return fault;
}

// Locations taken at a time: their word numbers and the cells of one block
// stay in the first-level cache, and the k blocks are read as k sequential
// streams.
constexpr std::int32_t run = 2048;

// The region numbers of one block's run, checked and converted L::W at a time.
#define REGIONKIT_BODY "tallyBody.inc"
#include "eachIsa.inc"
#undef REGIONKIT_BODY

// The working table: 16-bit counts, one column of `stride` cells per region
// number from 0 to R, the stride being W rounded up to a power of two so that
// a cell is found by a shift: word index w and region number r meet at
// w + r * stride. Column 0 takes the zero memberships, so that no branch
// depends on the data, and is dropped at the end. It takes (R + 1) / 4R to
// (R + 1) / 2R of the doubles' bytes, the power of two deciding where between:
// a quarter to a half for many regions, more for few (a half to nearly all
// for R = 1), so for large tallies it stays in cache where they would not.
struct NarrowTable {
    std::uint32_t shift;   // log2(stride)
    std::uint32_t stride;  // at least W
    std::uint64_t cells;   // (R + 1) * stride, fewer than 2^31 where used
};

// Fewer memberships than this are counted straight into the results, with
// nothing allocated.
const std::uint64_t narrowFrom = 65536;

NarrowTable narrowTable(std::int32_t wordCount, std::int32_t regionCount) {
    NarrowTable t{0, 1, 0};
    while (t.stride < static_cast<std::uint32_t>(wordCount)) {
        ++t.shift;
        t.stride <<= 1;
    }
    t.cells = (static_cast<std::uint64_t>(regionCount) + 1) * t.stride;
    return t;
}

// A count that wraps past 65535 carries 65536 into the results' doubles, so
// no count is ever lost; what wraps in column 0 is dropped.
void carry(std::uint32_t cell, const NarrowTable& table, std::int32_t wordCount, double* counts, double* totals) {
    const std::uint32_t r = cell >> table.shift, w = cell & (table.stride - 1);
    if (r == 0) return;
    counts[static_cast<std::int64_t>(r - 1) * wordCount + w] += 65536.0;
    if (totals != nullptr) totals[w] += 65536.0;
}

// Counts every membership of the k blocks into the table, run after run of
// locations; false when one that cannot be counted was met, before any of its
// run and block is counted. A location whose word is not in 1 .. W takes word
// index 0 for its zero memberships, which are never counted.
bool countNarrow(isa::Isa level, const double* words, std::int32_t n, const double* regions, std::int32_t k,
                 std::int32_t wordCount, std::int32_t regionCount, const NarrowTable& table, std::uint16_t* narrow,
                 double* counts, double* totals) {
    const auto words32 = static_cast<std::uint32_t>(wordCount);
    // A counted region number r fits when 1 <= r < limit: R + 1, or 1 (none
    // fits) at a location whose word is not in 1 .. W.
    const double regionLimit = static_cast<double>(regionCount) + 1.0;
    std::uint32_t wordIndex[run];
    double limit[run];
    std::int32_t regionOf[run];
    for (std::int32_t start = 0; start < n; start += run) {
        const std::int32_t length = std::min(run, n - start);
        for (std::int32_t t = 0; t < length; ++t) {
            const std::uint32_t w = indexOf(words[start + t]);
            const bool bad = w >= words32;
            wordIndex[t] = bad ? 0 : w;
            limit[t] = bad ? 1.0 : regionLimit;
        }
        for (std::int32_t i = 0; i < k; ++i) {
            const double* block = regions + static_cast<std::int64_t>(i) * n + start;
            if (!REGIONKIT_RUN(level, regionsFit(block, limit, length, regionOf))) return false;
            for (std::int32_t t = 0; t < length; ++t) {
                const std::uint32_t c = wordIndex[t] + (static_cast<std::uint32_t>(regionOf[t]) << table.shift);
                if (++narrow[c] == 0) carry(c, table, wordCount, counts, totals);
            }
        }
    }
    return true;
}

// Adds the table, less column 0, into the counts and its rows into the totals.
void addNarrow(const NarrowTable& table, const std::uint16_t* narrow, std::int32_t wordCount,
               std::int32_t regionCount, double* counts, double* totals) {
    for (std::int32_t r = 0; r < regionCount; ++r) {
        double* out = counts + static_cast<std::int64_t>(r) * wordCount;
        const std::uint16_t* in = narrow + (static_cast<std::uint64_t>(r + 1) << table.shift);
        for (std::int32_t w = 0; w < wordCount; ++w) out[w] += static_cast<double>(in[w]);
        if (totals != nullptr)
            for (std::int32_t w = 0; w < wordCount; ++w) totals[w] += static_cast<double>(in[w]);
    }
}

}  // namespace

std::size_t tallyWorkBytes(std::int32_t n, std::int32_t k, std::int32_t wordCount, std::int32_t regionCount) {
    if (n <= 0 || k <= 0 || wordCount <= 0 || regionCount <= 0) return 0;
    const std::uint64_t cells = static_cast<std::uint64_t>(wordCount) * static_cast<std::uint64_t>(regionCount);
    const std::uint64_t memberships = static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(k);
    // Clearing the table and adding it into the results costs about as much
    // as a few memberships per cell.
    if (memberships < narrowFrom || memberships < cells / 4) return 0;
    const NarrowTable table = narrowTable(wordCount, regionCount);
    if (table.cells >= 2147483648ULL) return 0;
    return static_cast<std::size_t>(table.cells * sizeof(std::uint16_t));
}

TallyFault tallyWordsOn(isa::Isa level, const double* words, std::int32_t n, const double* regions, std::int32_t k,
                        std::int32_t wordCount, std::int32_t regionCount, double* counts, double* totals,
                        void* work) {
    if (k <= 0 || n <= 0) return TallyFault();
    if (work == nullptr || tallyWorkBytes(n, k, wordCount, regionCount) == 0)
        return straight<true>(words, n, regions, k, wordCount, regionCount, counts, totals);
    const NarrowTable table = narrowTable(wordCount, regionCount);
    auto* narrow = static_cast<std::uint16_t*>(work);
    std::memset(narrow, 0, static_cast<std::size_t>(table.cells) * sizeof(std::uint16_t));
    if (!countNarrow(isa::choose(level), words, n, regions, k, wordCount, regionCount, table, narrow, counts,
                     totals))
        return straight<false>(words, n, regions, k, wordCount, regionCount, nullptr, nullptr);
    addNarrow(table, narrow, wordCount, regionCount, counts, totals);
    return TallyFault();
}

TallyFault tallyWords(const double* words, std::int32_t n, const double* regions, std::int32_t k,
                      std::int32_t wordCount, std::int32_t regionCount, double* counts, double* totals,
                      void* work) {
    return tallyWordsOn(isa::preferred(), words, n, regions, k, wordCount, regionCount, counts, totals, work);
}

}  // namespace regionkit
