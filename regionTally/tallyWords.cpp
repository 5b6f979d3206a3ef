#include "tallyWords.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

// v truncated toward zero to a signed 32-bit integer, or INT32_MIN when it has
// none (NaN, infinite, out of range): what the x86 conversion instruction
// gives, spelled out for other processors.
inline std::int32_t truncatedOrLeast(double v) {
#if defined(__SSE2__) || defined(_M_X64)
    return _mm_cvttsd_si32(_mm_set_sd(v));
#else
    return v > -2147483649.0 && v < 2147483648.0 ? static_cast<std::int32_t>(v) : INT32_MIN;
#endif
}

// A number's 0-based index: (truncation - 1), taken unsigned, so that a
// number truncating outside 1 .. count gives an index of count or more.
inline std::uint32_t indexOf(double v) { return static_cast<std::uint32_t>(truncatedOrLeast(v)) - 1u; }

// One loop per kind of call, so the totals test stays out of the inner loop.
template <bool withTotals>
TallyFault tally(const double* words, std::int32_t n, const double* regions, std::int32_t k,
                 std::int32_t wordCount, std::int32_t regionCount, double* counts, double* totals) {
    TallyFault fault;
    const std::int64_t stride = wordCount;
    const auto words32 = static_cast<std::uint32_t>(wordCount);
    const auto regions32 = static_cast<std::uint32_t>(regionCount);
    const double* membership = regions;  // read straight through, block after block
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
            counts[static_cast<std::int64_t>(w) + static_cast<std::int64_t>(r) * stride] += 1.0;
            if (withTotals) totals[w] += 1.0;
        }
    }
    return fault;
}

}  // namespace

TallyFault tallyWords(const double* words, std::int32_t n, const double* regions, std::int32_t k,
                      std::int32_t wordCount, std::int32_t regionCount, double* counts, double* totals) {
    if (k <= 0 || n <= 0) return TallyFault();
    if (totals == nullptr) return tally<false>(words, n, regions, k, wordCount, regionCount, counts, nullptr);
    return tally<true>(words, n, regions, k, wordCount, regionCount, counts, totals);
}
