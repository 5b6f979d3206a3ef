#include "cullBoxes.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

float toSingle(double value) {
    if (std::fabs(value) <= FLT_MAX || std::isnan(value)) return static_cast<float>(value);
    // Beyond FLT_MAX: values below the midpoint to 2^128 round down to FLT_MAX;
    // the midpoint itself rounds to even, which is infinity.
    const float big = std::fabs(value) < 0x1.ffffffp127 ? FLT_MAX : INFINITY;
    return value < 0 ? -big : big;
}

bool byScoreDescending(const ScoredBox& lhs, const ScoredBox& rhs) { return lhs.score > rhs.score; }

namespace {

// A strict weak order for the sort: byScoreDescending among numbers, every NaN
// after every number. byScoreDescending alone is false both ways for NaN,
// which breaks the sort's ordering contract.
bool sortsBefore(const ScoredBox& lhs, const ScoredBox& rhs) {
    if (std::isnan(rhs.score)) return !std::isnan(lhs.score);
    return byScoreDescending(lhs, rhs);
}

}  // namespace

// Edges are formed in 64 bits. Where x + w, y + h and w*h fit in 32 bits this
// is the 32-bit arithmetic exactly; beyond that the exact edges are used
// instead of a wrapped (undefined) 32-bit sum.
float boxOverlap(const ScoredBox& a, const ScoredBox& b) {
    const std::int64_t aRight = std::int64_t{a.x} + a.w;
    const std::int64_t aBottom = std::int64_t{a.y} + a.h;
    const std::int64_t bRight = std::int64_t{b.x} + b.w;
    const std::int64_t bBottom = std::int64_t{b.y} + b.h;
    if (a.y >= aBottom || a.x >= aRight) return 0.0f;
    if (a.y >= bBottom || a.x >= bRight) return 0.0f;

    std::int64_t ih = std::min(aBottom, bBottom) - std::max<std::int64_t>(a.y, b.y);
    std::int64_t iw = std::min(aRight, bRight) - std::max<std::int64_t>(a.x, b.x);
    if (ih < 0) ih = 0;
    if (iw < 0) iw = 0;

    const float intersection = static_cast<float>(iw) * static_cast<float>(ih);
    const float areaA = static_cast<float>(a.w) * static_cast<float>(a.h);
    const float areaB = static_cast<float>(b.w) * static_cast<float>(b.h);
    const float sum = areaA + areaB;
    return intersection / (sum - intersection);
}

void cullBoxes(BoxList& candidates, float threshold, BoxList& kept) {
    std::stable_sort(candidates.begin(), candidates.end(), sortsBefore);
    if (static_cast<double>(threshold) > thresholdLimit) return;

    // [first, last) holds the remaining candidates, in sorted order. Each pass
    // keeps candidates[first] and compacts the survivors forward in one sweep,
    // which leaves exactly what removing them one at a time would.
    std::size_t first = 0;
    std::size_t last = candidates.size();
    kept.reserve(last);
    while (first < last) {
        const ScoredBox best = candidates[first++];
        kept.push_back(best);

        float effective = threshold;
        if (std::int64_t{best.w} * best.h <= smallBoxArea)
            effective = static_cast<float>(static_cast<double>(threshold) + 0.1);

        std::size_t out = first;
        for (std::size_t i = first; i < last; ++i) {
            if (boxOverlap(best, candidates[i]) >= effective) continue;
            if (out != i) candidates[out] = candidates[i];
            ++out;
        }
        last = out;
    }
    candidates.clear();
}
