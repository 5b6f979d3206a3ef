// Visual-word tallies per region.
//
// Every location t (0 <= t < n) bears the word words[t]; the region index
// holds k blocks of n memberships, element t + i*n being location t's i-th
// membership: a region number or 0 for none. Word and region numbers are
// 1-based and truncated toward zero, so 2.9 means 2.
#ifndef REGIONKIT_REGIONTALLY_TALLYWORDS_H
#define REGIONKIT_REGIONTALLY_TALLYWORDS_H

#include "isa.h"

#include <cstddef>
#include <cstdint>

namespace regionkit {

// Where a tally stopped, when it met a membership it could not count.
struct TallyFault {
    enum Kind { none, badRegion, badWord };
    Kind kind = none;
    // The region-index element of the membership (0-based, in storage order).
    std::int64_t membership = 0;
    // The location of that membership: its element of the word map.
    std::int64_t location = 0;
};

// Adds 1.0, for every non-zero membership (0.0 and -0.0 are none), to
// counts[(w-1) + (r-1)*W] and to totals[w-1], where r is the membership's
// region and w its location's word. counts is W x R column-major, totals
// W x 1; both are added to, not cleared, and totals may be null when it is
// not wanted. With k <= 0 nothing happens.
//
// A membership whose region does not truncate into 1 .. R, or whose
// location's word does not truncate into 1 .. W, stops the tally and is
// returned: the first such membership in storage order of the region index
// (block after block), whichever the tally met first. The results then hold
// part of the counts and must be discarded. The word of a location without
// non-zero memberships is never looked at.
//
// work is null, or tallyWorkBytes() bytes of any content, which the tally
// clears and uses as a table of 16-bit counts: it takes the locations a run
// at a time, converting each run's words once for all k blocks, counts there
// and adds the table into the results at the end: the same counts, sooner,
// above all where the W x R doubles would not stay in cache. With a null work
// the region index is read straight through, block after block, and the
// counts go straight into the results.
TallyFault tallyWords(const double* words, std::int32_t n, const double* regions, std::int32_t k,
                      std::int32_t wordCount, std::int32_t regionCount, double* counts, double* totals,
                      void* work = nullptr);

// tallyWords at a given vector level (the narrower of it and what the
// processor runs), which checks and converts that many region numbers at once
// on the working-table path; every level gives the same results. Exposed so
// tests can check each.
TallyFault tallyWordsOn(isa::Isa level, const double* words, std::int32_t n, const double* regions, std::int32_t k,
                        std::int32_t wordCount, std::int32_t regionCount, double* counts, double* totals,
                        void* work = nullptr);

// The bytes of work that tallyWords counts faster with for these sizes, or 0
// where a working table would not pay for itself or is not used: fewer than
// 65536 memberships (k * n), fewer than a quarter as many as W * R, or a
// table of 2^31 cells or more. The table is (R + 1) * W2 * 2 bytes, W2 being
// W rounded up to a power of two.
std::size_t tallyWorkBytes(std::int32_t n, std::int32_t k, std::int32_t wordCount, std::int32_t regionCount);

}  // namespace regionkit

#endif
