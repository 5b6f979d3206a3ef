// What the fuzz harness checks of a completed regionTally call.
#include "harness.h"

#include <cmath>

// [counts, totals] = regionTally(wordMap, regionIndex, W, R): W x R and W x 1,
// whole counts, totals the row sums of counts.
REGIONKIT_FUZZ_PROMISE(regionTally, 4, 2, true) {
    const double wordCount = std::trunc(mxGetScalar(args[2]));
    const double regionCount = std::trunc(mxGetScalar(args[3]));
    if (!(wordCount >= 0.0 && wordCount < 2147483648.0 && regionCount >= 0.0 && regionCount < 2147483648.0))
        return "completed with W = " + std::to_string(wordCount) + ", R = " + std::to_string(regionCount);
    const auto w = static_cast<long long>(wordCount);
    const auto regions = static_cast<long long>(regionCount);
    if (std::string e = expectShape(r.out(0), w, regions); !e.empty()) return e;
    if (nlhs < 2) return "";
    if (std::string e = expectShape(r.out(1), w, 1); !e.empty()) return "second result: " + e;
    const std::vector<double> counts = testsupport::values(r.out(0));
    const std::vector<double> totals = testsupport::values(r.out(1));
    for (long long i = 0; i < w; ++i) {
        double sum = 0.0;
        for (long long j = 0; j < regions; ++j) {
            const double c = counts[static_cast<std::size_t>(i + j * w)];
            if (c < 0.0 || c != std::trunc(c)) return "a count is " + std::to_string(c);
            sum += c;
        }
        if (sum != totals[static_cast<std::size_t>(i)])
            return "total of word " + std::to_string(i + 1) + " is not the sum of its counts";
    }
    return "";
}
