#include "cullBoxes.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

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
struct SortsBefore {
    bool operator()(const ScoredBox& lhs, const ScoredBox& rhs) const {
        if (std::isnan(rhs.score)) return !std::isnan(lhs.score);
        return byScoreDescending(lhs, rhs);
    }
};

// A 32-bit key whose ascending order is the sort order above: descending
// score, -0 equal to +0, every NaN last and equal to every other NaN.
std::uint32_t sortKey(float score) {
    if (std::isnan(score)) return 0xFFFFFFFFu;
    if (score == 0.0f) score = 0.0f;
    std::uint32_t bits;
    std::memcpy(&bits, &score, sizeof bits);
    const std::uint32_t ascending = (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
    return ~ascending;
}

using Keys = std::vector<std::uint32_t, gateway::Allocator<std::uint32_t>>;

// Stable sort by descending score, NaN last. Large lists take a three-pass
// least-significant-digit radix sort on the keys, which gives the very order
// a stable comparison sort gives, in linear time.
void sortByScore(BoxList& candidates) {
    const std::size_t n = candidates.size();
    if (n <= 256) {
        std::stable_sort(candidates.begin(), candidates.end(), SortsBefore());
        return;
    }
    Keys keys(n), keysOut(n), order(n), orderOut(n);
    for (std::size_t i = 0; i < n; ++i) {
        keys[i] = sortKey(candidates[i].score);
        order[i] = static_cast<std::uint32_t>(i);
    }
    constexpr int digitBits = 11;
    constexpr std::uint32_t digitMask = (1u << digitBits) - 1;
    for (int shift = 0; shift < 32; shift += digitBits) {
        std::size_t count[digitMask + 2] = {};
        for (std::size_t i = 0; i < n; ++i) ++count[((keys[i] >> shift) & digitMask) + 1];
        for (std::size_t d = 1; d <= digitMask + 1; ++d) count[d] += count[d - 1];
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = count[(keys[i] >> shift) & digitMask]++;
            keysOut[at] = keys[i];
            orderOut[at] = order[i];
        }
        keys.swap(keysOut);
        order.swap(orderOut);
    }
    BoxList sorted;
    sorted.reserve(n);
    for (std::size_t i = 0; i < n; ++i) sorted.push_back(candidates[order[i]]);
    candidates.swap(sorted);
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

namespace {

using Flags = std::vector<unsigned char, gateway::Allocator<unsigned char>>;
using Indices = std::vector<std::uint32_t, gateway::Allocator<std::uint32_t>>;
using Offsets = std::vector<std::size_t, gateway::Allocator<std::size_t>>;

float effectiveThreshold(const ScoredBox& kept, float threshold) {
    if (std::int64_t{kept.w} * kept.h <= smallBoxArea)
        return static_cast<float>(static_cast<double>(threshold) + 0.1);
    return threshold;
}

bool positive(const ScoredBox& b) { return b.w > 0 && b.h > 0; }

// The plain greedy walk over candidates [0, last): each pass keeps the first
// remaining candidate and compacts the survivors forward in one sweep, which
// leaves exactly what removing them one at a time, in order, would.
void sweepCull(BoxList& candidates, float threshold, BoxList& kept) {
    std::size_t first = 0;
    std::size_t last = candidates.size();
    while (first < last) {
        const ScoredBox best = candidates[first++];
        kept.push_back(best);
        const float effective = effectiveThreshold(best, threshold);
        std::size_t out = first;
        for (std::size_t i = first; i < last; ++i) {
            if (boxOverlap(best, candidates[i]) >= effective) continue;
            if (out != i) candidates[out] = candidates[i];
            ++out;
        }
        last = out;
    }
}

// Uniform grid over the boxes of positive size: cell c lists, in sorted order,
// the candidates whose area touches it. Boxes spanning many cells go to a
// separate list that every query visits.
class BoxGrid {
public:
    static constexpr std::int64_t wideCells = 16;

    explicit BoxGrid(const BoxList& boxes) {
        std::int64_t count = 0;
        double sumW = 0, sumH = 0;
        for (const ScoredBox& b : boxes) {
            if (!positive(b)) continue;
            if (count == 0) {
                left_ = b.x; top_ = b.y; right_ = std::int64_t{b.x} + b.w; bottom_ = std::int64_t{b.y} + b.h;
            }
            left_ = std::min<std::int64_t>(left_, b.x);
            top_ = std::min<std::int64_t>(top_, b.y);
            right_ = std::max(right_, std::int64_t{b.x} + b.w);
            bottom_ = std::max(bottom_, std::int64_t{b.y} + b.h);
            sumW += b.w;
            sumH += b.h;
            ++count;
        }
        if (count == 0) return;
        // Cells a power of two wide, about twice the mean box side, so that cell
        // numbers come from shifts; fewer cells than about four per box.
        const double side = 2 * std::max(sumW, sumH) / static_cast<double>(count);
        while (shift_ < 40 && static_cast<double>(std::int64_t{1} << shift_) < side) ++shift_;
        const std::int64_t budget = 4 * count + 64;
        for (;;) {
            columns_ = ((right_ - left_) >> shift_) + 1;
            rows_ = ((bottom_ - top_) >> shift_) + 1;
            if (columns_ <= budget && rows_ <= budget / columns_) break;
            ++shift_;
        }

        // Two passes over the boxes: count the entries per cell, then place them.
        start_.assign(static_cast<std::size_t>(columns_ * rows_ + 1), 0);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            visit(boxes[i], [&](std::int64_t c) { ++start_[static_cast<std::size_t>(c) + 1]; },
                  [&] { wide_.push_back(static_cast<std::uint32_t>(i)); });
        for (std::size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
        entries_.resize(start_.back());
        Offsets next(start_.begin(), start_.end() - 1);
        for (std::size_t i = 0; i < boxes.size(); ++i)
            visit(boxes[i], [&](std::int64_t c) { entries_[next[static_cast<std::size_t>(c)]++] = static_cast<std::uint32_t>(i); },
                  [] {});
        end_.swap(next);
    }

    // Calls keep(j) for every listed candidate j that may intersect b (some
    // more than once) and drops j from the lists it was found in when keep
    // returns false, so candidates already decided are not visited again.
    // Returns false, having called nothing, when b spans so many cells that a
    // plain scan is cheaper.
    template <class F>
    bool visitNear(const ScoredBox& b, F&& keep) {
        if (columns_ == 0 || !positive(b)) return true;
        std::int64_t c0, c1, r0, r1;
        if (!span(b, &c0, &c1, &r0, &r1)) return true;
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > wideCells) return false;
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) {
                const std::size_t cell = static_cast<std::size_t>(r * columns_ + c);
                end_[cell] = compact(&entries_[start_[cell]], end_[cell] - start_[cell], keep) + start_[cell];
            }
        wide_.resize(compact(wide_.data(), wide_.size(), keep));
        return true;
    }

private:
    // The cells b covers, clipped to the grid; false when it covers none.
    bool span(const ScoredBox& b, std::int64_t* c0, std::int64_t* c1, std::int64_t* r0, std::int64_t* r1) const {
        const std::int64_t x0 = std::max<std::int64_t>(b.x, left_), x1 = std::min(std::int64_t{b.x} + b.w, right_);
        const std::int64_t y0 = std::max<std::int64_t>(b.y, top_), y1 = std::min(std::int64_t{b.y} + b.h, bottom_);
        if (x0 >= x1 || y0 >= y1) return false;
        *c0 = (x0 - left_) >> shift_;
        *c1 = (x1 - 1 - left_) >> shift_;
        *r0 = (y0 - top_) >> shift_;
        *r1 = (y1 - 1 - top_) >> shift_;
        return true;
    }

    template <class F>
    static std::size_t compact(std::uint32_t* list, std::size_t count, F& keep) {
        std::size_t out = 0;
        for (std::size_t k = 0; k < count; ++k)
            if (keep(list[k])) list[out++] = list[k];
        return out;
    }

    template <class Cell, class Wide>
    void visit(const ScoredBox& b, Cell&& cell, Wide&& wide) const {
        std::int64_t c0, c1, r0, r1;
        if (!positive(b) || !span(b, &c0, &c1, &r0, &r1)) return;
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > wideCells) return wide();
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) cell(r * columns_ + c);
    }

    std::int64_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    int shift_ = 0;
    std::int64_t columns_ = 0, rows_ = 0;
    Offsets start_;
    Offsets end_;
    Indices entries_;
    Indices wide_;
};

// The same greedy walk for a positive threshold, where a candidate can only be
// removed by a kept box it truly intersects (any other overlap is 0 or NaN,
// neither of which reaches a positive threshold). Removed candidates are
// flagged rather than moved, and each kept box visits only the candidates the
// grid places near it. Every decision is the walk's: candidate j is removed
// by the first kept box before it whose overlap reaches that box's threshold.
void gridCull(const BoxList& candidates, float threshold, BoxList& kept) {
    const std::size_t n = candidates.size();
    BoxGrid grid(candidates);
    Flags removed(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (removed[i]) continue;
        const ScoredBox& best = candidates[i];
        kept.push_back(best);
        if (!positive(best)) continue;
        const float effective = effectiveThreshold(best, threshold);
        const std::int64_t right = std::int64_t{best.x} + best.w, bottom = std::int64_t{best.y} + best.h;
        // Decides candidate j against the kept box; true while j is still undecided.
        auto consider = [&](std::size_t j) {
            if (j <= i || removed[j]) return false;
            const ScoredBox& b = candidates[j];
            // Disjoint boxes overlap 0, which a positive threshold never reaches.
            if (b.x >= right || b.y >= bottom || std::int64_t{b.x} + b.w <= best.x ||
                std::int64_t{b.y} + b.h <= best.y)
                return true;
            if (boxOverlap(best, b) >= effective) removed[j] = 1;
            return removed[j] == 0;
        };
        if (!grid.visitNear(best, consider))
            for (std::size_t j = i + 1; j < n; ++j) consider(j);
    }
}

}  // namespace

void cullBoxes(BoxList& candidates, float threshold, BoxList& kept) {
    sortByScore(candidates);
    if (static_cast<double>(threshold) > thresholdLimit) return;
    // Small inputs, and thresholds at or below 0 (or NaN), take the plain walk.
    if (threshold > 0.0f && candidates.size() > 64)
        gridCull(candidates, threshold, kept);
    else
        sweepCull(candidates, threshold, kept);
    candidates.clear();
}
