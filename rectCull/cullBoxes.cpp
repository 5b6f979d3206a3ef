#include "exactArithmetic.h"

#include "cullBoxes.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace regionkit {

float toSingle(double value) {
    if (std::fabs(value) <= FLT_MAX || std::isnan(value)) return static_cast<float>(value);
    // Beyond FLT_MAX: values below the midpoint to 2^128 round down to FLT_MAX;
    // the midpoint itself rounds to even, which is infinity.
    const float big = std::fabs(value) < 0x1.ffffffp127 ? FLT_MAX : INFINITY;
    return value < 0 ? -big : big;
}

bool byScoreDescending(const ScoredBox& lhs, const ScoredBox& rhs) { return lhs.score > rhs.score; }

const char* const coordinateNames[4] = {"x", "y", "w", "h"};

CoordinateFault firstBadCoordinate(const double* data, std::size_t n, std::ptrdiff_t rowStride,
                                   std::ptrdiff_t columnStride, bool plain) {
    CoordinateFault fault;
    for (int c = 0; c < 4; ++c)
        for (std::size_t i = 0; i < n; ++i) {
            const double v = data[static_cast<std::ptrdiff_t>(i) * rowStride + c * columnStride];
            if (plain ? std::isfinite(v) : isa::truncatesToInt32(v)) continue;
            fault.found = true;
            fault.row = i;
            fault.column = c;
            fault.value = v;
            return fault;
        }
    return fault;
}

std::size_t firstNanGroup(const double* groups, std::size_t n, std::ptrdiff_t stride) {
    std::size_t i = 0;
    while (i < n && !std::isnan(groups[static_cast<std::ptrdiff_t>(i) * stride])) ++i;
    return i;
}

namespace {

using Flags = std::vector<unsigned char, gateway::Allocator<unsigned char>>;
using Indices = RowList;
using Keys = std::vector<std::uint64_t, gateway::Allocator<std::uint64_t>>;

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

// The positions of the candidates in a stable sort by descending score, NaN
// last: order[k] is the input position of the k-th box. Each item carries its
// key above its input position, so a least-significant-digit radix sort over
// the key bits alone keeps equal keys in input order, as a stable comparison
// sort does, in linear time. Digits on which all keys agree are skipped.
Indices sortedOrder(const BoxList& candidates) {
    const std::size_t n = candidates.size();
    constexpr int digits = 3;
    constexpr int digitShift[digits] = {32, 43, 54};
    constexpr std::uint64_t digitMask = (1u << 11) - 1;
    Keys items(n), scratch(n);
    std::uint32_t count[digits][digitMask + 1] = {};
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t item = (std::uint64_t{sortKey(candidates[i].score)} << 32) | i;
        items[i] = item;
        for (int d = 0; d < digits; ++d) ++count[d][(item >> digitShift[d]) & digitMask];
    }
    for (int d = 0; d < digits; ++d) {
        std::uint32_t* c = count[d];
        if (n == 0 || c[(items[0] >> digitShift[d]) & digitMask] == n) continue;
        std::uint32_t at = 0;
        for (std::uint64_t v = 0; v <= digitMask; ++v) {
            const std::uint32_t here = c[v];
            c[v] = at;
            at += here;
        }
        for (std::size_t i = 0; i < n; ++i) scratch[c[(items[i] >> digitShift[d]) & digitMask]++] = items[i];
        items.swap(scratch);
    }
    Keys().swap(scratch);
    Indices order(n);
    for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(items[i]);
    return order;
}

// The same order for any number of candidates: a stable comparison sort of
// the positions for short lists, where it is quicker than the radix passes.
Indices scoreOrder(const BoxList& candidates) {
    if (candidates.size() > 256) return sortedOrder(candidates);
    Indices order(candidates.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t lhs, std::uint32_t rhs) {
        return SortsBefore()(candidates[lhs], candidates[rhs]);
    });
    return order;
}

// Sorts the list itself into the order above.
void sortByScore(BoxList& candidates) {
    const Indices order = scoreOrder(candidates);
    BoxList sorted;
    sorted.reserve(candidates.size());
    for (std::uint32_t i : order) sorted.push_back(candidates[i]);
    candidates.swap(sorted);
}

}  // namespace

namespace {

// The intersection's width and height (each at least 0) of the kept box a and
// the candidate b; false, with nothing measured, when a has no positive width
// or height or b ends at or before a's near edges. Edges are formed in 64
// bits. Where x + w, y + h and w*h fit in 32 bits this is the 32-bit
// arithmetic exactly; beyond that the exact edges are used instead of a
// wrapped (undefined) 32-bit sum.
// Inlined into each measure: a call here costs the cull a tenth of its time.
#if defined(_MSC_VER)
__forceinline
#else
inline __attribute__((always_inline))
#endif
bool intersection(const ScoredBox& a, const ScoredBox& b, std::int64_t& iw, std::int64_t& ih) {
    const std::int64_t aRight = std::int64_t{a.x} + a.w;
    const std::int64_t aBottom = std::int64_t{a.y} + a.h;
    const std::int64_t bRight = std::int64_t{b.x} + b.w;
    const std::int64_t bBottom = std::int64_t{b.y} + b.h;
    if (a.y >= aBottom || a.x >= aRight) return false;
    if (a.y >= bBottom || a.x >= bRight) return false;
    ih = std::max<std::int64_t>(std::min(aBottom, bBottom) - std::max<std::int64_t>(a.y, b.y), 0);
    iw = std::max<std::int64_t>(std::min(aRight, bRight) - std::max<std::int64_t>(a.x, b.x), 0);
    return true;
}

}  // namespace

float boxOverlap(const ScoredBox& a, const ScoredBox& b) {
    std::int64_t iw = 0, ih = 0;
    if (!intersection(a, b, iw, ih)) return 0.0f;
    const float intersection = static_cast<float>(iw) * static_cast<float>(ih);
    const float areaA = static_cast<float>(a.w) * static_cast<float>(a.h);
    const float areaB = static_cast<float>(b.w) * static_cast<float>(b.h);
    const float sum = areaA + areaB;
    return intersection / (sum - intersection);
}

float boxOverlapSmaller(const ScoredBox& a, const ScoredBox& b) {
    std::int64_t iw = 0, ih = 0;
    // Intersecting boxes both have positive width and height: the smaller area is positive.
    if (!intersection(a, b, iw, ih) || iw == 0 || ih == 0) return 0.0f;
    const float intersection = static_cast<float>(iw) * static_cast<float>(ih);
    const float areaA = static_cast<float>(a.w) * static_cast<float>(a.h);
    const float areaB = static_cast<float>(b.w) * static_cast<float>(b.h);
    return intersection / std::min(areaA, areaB);
}

double plainOverlap(const PlainBox& a, const PlainBox& b, OverlapMeasure measure) {
    const double iw = std::max(std::min(a.x2, b.x2) - std::max(a.x1, b.x1), 0.0);
    const double ih = std::max(std::min(a.y2, b.y2) - std::max(a.y1, b.y1), 0.0);
    const double intersection = iw * ih;
    const double areaA = std::max(a.x2 - a.x1, 0.0) * std::max(a.y2 - a.y1, 0.0);
    const double areaB = std::max(b.x2 - b.x1, 0.0) * std::max(b.y2 - b.y1, 0.0);
    if (measure == OverlapMeasure::overSmaller)
        return intersection == 0.0 ? 0.0 : intersection / std::min(areaA, areaB);
    return intersection / ((areaA + areaB) - intersection);
}

// Range reduction x = k ln2 + r with |r| <= ln2/2, where ln2 is split in two so
// that k * ln2Hi is exact (ln2Hi has 32 trailing zero bits, k fewer than 2^11);
// then e^r from its Taylor series to r^13 (the next term is below 2^-57 of the
// sum), evaluated in Horner's form, each multiplication and addition rounded
// on its own (this file does not contract them into fused multiply-adds);
// then 2^k applied as exact scalings. Measured against glibc's exp over
// [-708, 0]: at most 1 ulp apart (the tests hold it to that).
double decayExp(double x) {
    if (std::isnan(x)) return x;
    if (x < -746.0) return 0.0;  // below half the smallest subnormal, and -infinity
    constexpr double invLn2 = 0x1.71547652b82fep+0;
    constexpr double ln2Hi = 0x1.62e42fee00000p-1;
    constexpr double ln2Lo = 0x1.a39ef35793c76p-33;
    constexpr double inverseFactorial[] = {
        1.0,  1.0, 0x1.0000000000000p-1, 0x1.5555555555555p-3, 0x1.5555555555555p-5, 0x1.1111111111111p-7,
        0x1.6c16c16c16c17p-10, 0x1.a01a01a01a01ap-13, 0x1.a01a01a01a01ap-16, 0x1.71de3a556c734p-19,
        0x1.27e4fb7789f5cp-22, 0x1.ae64567f544e4p-26, 0x1.1eed8eff8d898p-29, 0x1.6124613a86d09p-33};
    const double t = x * invLn2;
    const int k = static_cast<int>(t < 0 ? t - 0.5 : t + 0.5);  // nearest, halves away from 0
    const double kd = k;
    const double r = (x - kd * ln2Hi) - kd * ln2Lo;
    double p = inverseFactorial[13];
    for (int n = 12; n >= 0; --n) p = p * r + inverseFactorial[n];
    // 2^e for a normal exponent e, from its bits.
    const auto power = [](int e) {
        const std::uint64_t bits = static_cast<std::uint64_t>(e + 1023) << 52;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    };
    if (k >= -1022) return p * power(k);
    // A subnormal result: one exact scaling, then one that rounds.
    return (p * power(k + 100)) * power(-100);
}

namespace {

float effectiveThreshold(const ScoredBox& kept, float threshold) {
    if (std::int64_t{kept.w} * kept.h <= smallBoxArea)
        return static_cast<float>(static_cast<double>(threshold) + 0.1);
    return threshold;
}

bool positive(const ScoredBox& b) { return b.w > 0 && b.h > 0; }

// The plain greedy walk over the candidates in score order (`order`, input
// positions): each pass keeps the first remaining candidate and compacts the
// survivors forward in one sweep, which leaves exactly what removing them one
// at a time, in order, would.
// Removal without decay: the threshold, the overlap measure and the cap.
struct Removal {
    float threshold;
    OverlapMeasure measure;
    std::size_t cap;
};

struct OverUnion {
    float operator()(const ScoredBox& a, const ScoredBox& b) const { return boxOverlap(a, b); }
};
struct OverSmaller {
    float operator()(const ScoredBox& a, const ScoredBox& b) const { return boxOverlapSmaller(a, b); }
};

// Runs walk(OverUnion()) or walk(OverSmaller()), so that each walk is compiled
// with its measure inlined.
template <class Walk>
void withMeasure(OverlapMeasure measure, Walk&& walk) {
    if (measure == OverlapMeasure::overSmaller)
        walk(OverSmaller());
    else
        walk(OverUnion());
}

template <class Overlap>
void sweepCull(const BoxList& candidates, Indices& order, float threshold, std::size_t cap, Overlap overlap,
               BoxList& kept, RowList* keptRows) {
    std::size_t first = 0;
    std::size_t last = order.size();
    for (std::size_t taken = 0; first < last && taken < cap; ++taken) {
        const std::uint32_t row = order[first++];
        const ScoredBox best = candidates[row];
        kept.push_back(best);
        if (keptRows != nullptr) keptRows->push_back(row);
        const float effective = effectiveThreshold(best, threshold);
        std::size_t out = first;
        for (std::size_t i = first; i < last; ++i) {
            if (overlap(best, candidates[order[i]]) >= effective) continue;
            order[out++] = order[i];
        }
        last = out;
    }
}

// One undecided candidate as the grid holds it: its box and its place in the
// score order.
struct GridEntry {
    std::int32_t x, y, w, h;
    std::uint32_t rank;
};
using Entries = std::vector<GridEntry, gateway::Allocator<GridEntry>>;

ScoredBox boxOf(const GridEntry& e) { return {e.x, e.y, e.w, e.h, 0.0f}; }

// The boxes of positive size, each listed once: in the cell of a uniform grid
// that holds its top-left corner, or, when it is much larger than a cell, in a
// list of wide boxes that every query scans. A box can then intersect a query
// box q only if its corner lies less than the largest listed width left of q
// and less than the largest listed height above it, which bounds the cells a
// query visits. Entries are removed as they are decided, so each is met only
// while it is still undecided.
class BoxGrid {
public:
    BoxGrid(const BoxList& boxes, const Indices& rank) {
        // The width and height of the first box of positive size from every
        // k-th box on, up to `sampled` of them (the first such box always):
        // enough for the medians below, without a copy of every box's sides.
        constexpr std::size_t sampled = 255;
        std::int32_t widths[sampled], heights[sampled];
        std::size_t taken = 0, count = 0, untilNext = 0;
        const std::size_t every = boxes.size() / sampled + 1;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const ScoredBox& b = boxes[i];
            if (untilNext > 0) --untilNext;
            if (!positive(b)) continue;
            if (count == 0) {
                left_ = right_ = b.x;
                top_ = bottom_ = b.y;
            }
            left_ = std::min<std::int64_t>(left_, b.x);
            top_ = std::min<std::int64_t>(top_, b.y);
            right_ = std::max<std::int64_t>(right_, b.x);
            bottom_ = std::max<std::int64_t>(bottom_, b.y);
            ++count;
            if (untilNext == 0 && taken < sampled) {
                widths[taken] = b.w;
                heights[taken++] = b.h;
                untilNext = every;
            }
        }
        if (count == 0) return;
        // Cells a power of two wide, about half the larger of the median
        // width and the median height, so that a query visits a few cells
        // around its box: medians, not means, so that a few boxes far larger
        // than the rest (listed apart, below) do not make the cells so large
        // that each holds much of the list. The medians of an even sample of
        // the boxes serve as well as those of all. No more cells than boxes
        // (and a few), however far apart the boxes lie.
        std::nth_element(widths, widths + taken / 2, widths + taken);
        std::nth_element(heights, heights + taken / 2, heights + taken);
        const double side = static_cast<double>(std::max(widths[taken / 2], heights[taken / 2])) / 2;
        while (shift_ < 40 && static_cast<double>(std::int64_t{1} << shift_) < side) ++shift_;
        const std::int64_t budget = static_cast<std::int64_t>(count) + 64;
        for (;;) {
            columns_ = ((right_ - left_) >> shift_) + 1;
            rows_ = ((bottom_ - top_) >> shift_) + 1;
            if (columns_ <= budget && rows_ <= budget / columns_) break;
            ++shift_;
        }
        wideSide_ = std::int64_t{8} << shift_;

        // Two passes: count the entries per cell, then place them.
        const std::size_t cells = static_cast<std::size_t>(columns_ * rows_);
        start_.assign(cells + 1, 0);
        std::size_t wideCount = 0;
        for (const ScoredBox& b : boxes) {
            if (!positive(b)) continue;
            if (wide(b))
                ++wideCount;
            else
                ++start_[cellOf(b) + 1];
        }
        for (std::size_t c = 1; c <= cells; ++c) start_[c] += start_[c - 1];
        end_.assign(start_.begin(), start_.end() - 1);
        entries_.resize(start_[cells]);
        wide_.reserve(wideCount);
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const ScoredBox& b = boxes[i];
            if (!positive(b)) continue;
            const GridEntry e{b.x, b.y, b.w, b.h, rank[i]};
            if (wide(b)) {
                wide_.push_back(e);
                continue;
            }
            entries_[end_[cellOf(b)]++] = e;
            maxW_ = std::max<std::int64_t>(maxW_, b.w);
            maxH_ = std::max<std::int64_t>(maxH_, b.h);
        }
    }

    // Calls decide(e) for every listed entry that may intersect the box q
    // (whose rank is `rank`), and drops the entries for which it returns true;
    // q's own entry is dropped without a call.
    template <class F>
    void visitNear(const ScoredBox& q, std::uint32_t rank, F&& decide) {
        auto settle = [&](const GridEntry& e) { return e.rank <= rank || decide(e); };
        examined_ += wide_.size();
        wide_.resize(compact(wide_.data(), wide_.size(), settle));
        if (columns_ == 0) return;
        const std::int64_t qRight = std::int64_t{q.x} + q.w, qBottom = std::int64_t{q.y} + q.h;
        const std::int64_t x0 = std::max(std::int64_t{q.x} - maxW_ + 1, left_), x1 = std::min(qRight - 1, right_);
        const std::int64_t y0 = std::max(std::int64_t{q.y} - maxH_ + 1, top_), y1 = std::min(qBottom - 1, bottom_);
        if (x0 > x1 || y0 > y1) return;
        const std::int64_t c0 = (x0 - left_) >> shift_, c1 = (x1 - left_) >> shift_;
        const std::int64_t r0 = (y0 - top_) >> shift_, r1 = (y1 - top_) >> shift_;
        for (std::int64_t r = r0; r <= r1; ++r)
            for (std::int64_t c = c0; c <= c1; ++c) {
                const auto cell = static_cast<std::size_t>(r * columns_ + c);
                const std::uint32_t from = start_[cell];
                examined_ += end_[cell] - from;
                end_[cell] = from + static_cast<std::uint32_t>(compact(entries_.data() + from, end_[cell] - from, settle));
            }
    }

    std::uint64_t cells() const { return start_.empty() ? 0 : start_.size() - 1; }
    // Entries met by visitNear so far, decided or not.
    std::uint64_t examined() const { return examined_; }

private:
    bool wide(const ScoredBox& b) const { return b.w > wideSide_ || b.h > wideSide_; }

    std::size_t cellOf(const ScoredBox& b) const {
        return static_cast<std::size_t>(((b.y - top_) >> shift_) * columns_ + ((b.x - left_) >> shift_));
    }

    // Keeps, in place, the entries for which drop returns false.
    template <class F>
    static std::size_t compact(GridEntry* list, std::size_t count, F& drop) {
        std::size_t out = 0;
        for (std::size_t k = 0; k < count; ++k)
            if (!drop(list[k])) list[out++] = list[k];
        return out;
    }

    // Extent of the listed corners.
    std::int64_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    std::int64_t maxW_ = 0, maxH_ = 0, wideSide_ = 0;
    int shift_ = 0;
    std::int64_t columns_ = 0, rows_ = 0;
    std::uint64_t examined_ = 0;
    Indices start_;
    Indices end_;
    Entries entries_;
    Entries wide_;
};

// The same greedy walk for a positive threshold, where a candidate can only be
// removed by a kept box it truly intersects (any other overlap is 0 or NaN,
// neither of which reaches a positive threshold). The candidates stay where
// they are: the walk follows the score order, removed candidates are flagged,
// and each kept box measures only the undecided candidates the grid places
// near it. Every decision is the plain walk's: candidate j is removed by the
// first kept box before it whose overlap reaches that box's threshold.
// The walk stops once `cap` boxes are kept.
template <class Overlap>
void gridCull(const BoxList& candidates, float threshold, std::size_t cap, Overlap overlap, BoxList& kept,
              CullCounts* counts, RowList* keptRows) {
    const std::size_t n = candidates.size();
    const Indices order = sortedOrder(candidates);
    Flags removed(n, 0);
    BoxGrid grid = [&] {
        Indices rank(n);
        for (std::size_t k = 0; k < n; ++k) rank[order[k]] = static_cast<std::uint32_t>(k);
        return BoxGrid(candidates, rank);
    }();
    std::size_t taken = 0;
    for (std::size_t k = 0; k < n && taken < cap; ++k) {
        if (removed[k]) continue;
        const ScoredBox& best = candidates[order[k]];
        kept.push_back(best);
        if (keptRows != nullptr) keptRows->push_back(order[k]);
        if (++taken == cap || !positive(best)) continue;
        const float effective = effectiveThreshold(best, threshold);
        const std::int64_t right = std::int64_t{best.x} + best.w, bottom = std::int64_t{best.y} + best.h;
        // Decides a candidate against the kept box; true when it is removed.
        grid.visitNear(best, static_cast<std::uint32_t>(k), [&](const GridEntry& e) {
            // Disjoint boxes overlap 0, which a positive threshold never reaches.
            if (e.x >= right || e.y >= bottom || std::int64_t{e.x} + e.w <= best.x ||
                std::int64_t{e.y} + e.h <= best.y)
                return false;
            if (!(overlap(best, boxOf(e)) >= effective)) return false;
            removed[e.rank] = 1;
            return true;
        });
    }
    if (counts != nullptr) {
        counts->cells = grid.cells();
        counts->examined = grid.examined();
    }
}

}  // namespace

namespace {

void cullUngrouped(BoxList& candidates, const Removal& removal, BoxList& kept, CullCounts* counts, RowList* keptRows);

// Each group culled on its own, as a call on its candidates alone would be,
// then the kept boxes of all groups taken in the one score order, the first
// `removal.cap` of them. A group's boxes kept after its first `cap` can never
// be among them, so each group's walk stops there too.
void cullGroups(BoxList& candidates, const GroupList& groups, const Removal& removal, BoxList& kept,
                CullCounts* counts, RowList* keptRows) {
    const std::size_t n = candidates.size();
    // The candidates by group, each group's in the caller's order.
    struct Member {
        std::int64_t group;
        std::uint32_t at;
    };
    std::vector<Member, gateway::Allocator<Member>> byGroup(n);
    for (std::size_t i = 0; i < n; ++i) byGroup[i] = {groups[i], static_cast<std::uint32_t>(i)};
    std::sort(byGroup.begin(), byGroup.end(), [](const Member& lhs, const Member& rhs) {
        return lhs.group < rhs.group || (lhs.group == rhs.group && lhs.at < rhs.at);
    });

    Flags isKept(n, 0);
    BoxList members, groupKept;
    RowList groupRows;
    for (std::size_t first = 0; first < n;) {
        std::size_t last = first + 1;
        while (last < n && byGroup[last].group == byGroup[first].group) ++last;
        members.clear();
        for (std::size_t k = first; k < last; ++k) members.push_back(candidates[byGroup[k].at]);
        groupKept.clear();
        groupRows.clear();
        CullCounts groupCounts;
        cullUngrouped(members, removal, groupKept, &groupCounts, &groupRows);
        for (std::uint32_t row : groupRows) isKept[byGroup[first + row].at] = 1;
        if (counts != nullptr) {
            counts->cells += groupCounts.cells;
            counts->examined += groupCounts.examined;
        }
        first = last;
    }
    std::size_t taken = 0;
    for (std::uint32_t at : scoreOrder(candidates)) {
        if (!isKept[at]) continue;
        if (taken++ == removal.cap) break;
        kept.push_back(candidates[at]);
        if (keptRows != nullptr) keptRows->push_back(at);
    }
}

}  // namespace

void cullBoxes(BoxList& candidates, float threshold, BoxList& kept, CullCounts* counts, RowList* keptRows,
               const GroupList* groups) {
    if (counts != nullptr) *counts = CullCounts();
    if (static_cast<double>(threshold) > thresholdLimit) {
        sortByScore(candidates);
        return;
    }
    const Removal removal{threshold, OverlapMeasure::overUnion, noCap};
    if (groups != nullptr) {
        cullGroups(candidates, *groups, removal, kept, counts, keptRows);
        candidates.clear();
        return;
    }
    cullUngrouped(candidates, removal, kept, counts, keptRows);
}

namespace {

// The greedy walk seen from the other side, for a cap: a candidate is removed
// exactly when some box kept before it reaches its overlap threshold, so the
// candidates are taken in score order, each measured against the boxes kept
// so far, until `cap` are kept. With a small cap that is a short prefix of
// the order against a few kept boxes, and no grid is built. When the
// measures pass a few per candidate (many candidates removed, or a cap not
// small), it gives up, returning false with nothing appended, and the walks
// above run instead.
template <class Overlap>
bool capCull(const BoxList& candidates, float threshold, std::size_t cap, Overlap overlap, BoxList& kept,
             RowList* keptRows) {
    const Indices order = scoreOrder(candidates);
    const std::uint64_t budget = 8 * std::uint64_t{candidates.size()} + 256;
    std::uint64_t measured = 0;
    BoxList taken;
    RowList rows;
    std::vector<float, gateway::Allocator<float>> limits;
    for (std::uint32_t row : order) {
        const ScoredBox& c = candidates[row];
        std::size_t i = 0;
        while (i < taken.size() && !(overlap(taken[i], c) >= limits[i])) ++i;
        measured += i + (i < taken.size());
        if (measured > budget) return false;
        if (i < taken.size()) continue;
        taken.push_back(c);
        rows.push_back(row);
        limits.push_back(effectiveThreshold(c, threshold));
        if (taken.size() == cap) break;
    }
    kept.insert(kept.end(), taken.begin(), taken.end());
    if (keptRows != nullptr) keptRows->insert(keptRows->end(), rows.begin(), rows.end());
    return true;
}

void cullUngrouped(BoxList& candidates, const Removal& removal, BoxList& kept, CullCounts* counts, RowList* keptRows) {
    const float threshold = removal.threshold;
    bool done = false;
    if (removal.cap != noCap)
        withMeasure(removal.measure, [&](auto overlap) {
            done = capCull(candidates, threshold, removal.cap, overlap, kept, keptRows);
        });
    // Small inputs, and thresholds at or below 0 (or NaN), take the plain walk.
    if (done) {
    } else if (threshold > 0.0f && candidates.size() > 64) {
        withMeasure(removal.measure, [&](auto overlap) {
            gridCull(candidates, threshold, removal.cap, overlap, kept, counts, keptRows);
        });
    } else {
        Indices order = scoreOrder(candidates);
        withMeasure(removal.measure, [&](auto overlap) {
            sweepCull(candidates, order, threshold, removal.cap, overlap, kept, keptRows);
        });
    }
    candidates.clear();
}

// True when score a ranks above score b: higher, or a number against NaN.
bool ranksAbove(double a, double b) { return a > b || (std::isnan(b) && !std::isnan(a)); }

// A kept box with the score it was kept with.
struct KeptEntry {
    std::uint32_t row;
    double score;
};
using KeptEntries = std::vector<KeptEntry, gateway::Allocator<KeptEntry>>;

// The rule of a walk with options: how two boxes are measured, when an
// overlap counts, and how a lowered score is rounded.
struct PipelineRule {
    const BoxList& boxes;
    float threshold;
    OverlapMeasure measure;
    double score(std::uint32_t i) const { return boxes[i].score; }
    double overlap(std::uint32_t kept, std::uint32_t other) const {
        return measure == OverlapMeasure::overSmaller ? boxOverlapSmaller(boxes[kept], boxes[other])
                                                      : boxOverlap(boxes[kept], boxes[other]);
    }
    // The overlap reaches the kept box's threshold (a single-precision
    // comparison: both values are floats).
    double limitFor(std::uint32_t kept) const { return effectiveThreshold(boxes[kept], threshold); }
    static bool counts(double overlap, double limit) { return overlap >= limit; }
    static double rounded(double score) { return toSingle(score); }
};

struct PlainRule {
    const PlainBoxList& boxes;
    double threshold;
    OverlapMeasure measure;
    double score(std::uint32_t i) const { return boxes[i].score; }
    double overlap(std::uint32_t kept, std::uint32_t other) const {
        return plainOverlap(boxes[kept], boxes[other], measure);
    }
    double limitFor(std::uint32_t) const { return threshold; }
    static bool counts(double overlap, double limit) { return overlap > limit; }
    static double rounded(double score) { return score; }
};

// The walk of one group (`members`: its input positions, ascending, each with
// a score at or above the floor): each round keeps the best remaining box,
// then removes the others its overlap counts against, or lowers their scores.
// Appends the kept boxes to `out`, at most options.maxKept.
template <class Rule>
void walkWithOptions(const Rule& rule, const CullOptions& options, double floor, RowList& members, KeptEntries& out) {
    ScoreList score(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) score[i] = rule.score(members[i]);
    const ScoreDecay decay = options.decay;
    const bool floored = options.hasScoreFloor && decay != ScoreDecay::none;
    std::size_t live = members.size();
    for (std::size_t taken = 0; live > 0 && taken < options.maxKept; ++taken) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < live; ++i)
            if (ranksAbove(score[i], score[best])) best = i;
        const std::uint32_t kept = members[best];
        out.push_back({kept, score[best]});
        const double limit = rule.limitFor(kept);
        std::size_t left = 0;
        for (std::size_t i = 0; i < live; ++i) {
            if (i == best) continue;
            double s = score[i];
            const double overlap = rule.overlap(kept, members[i]);
            if (decay == ScoreDecay::none) {
                if (Rule::counts(overlap, limit)) continue;
            } else if (decay == ScoreDecay::linear) {
                if (Rule::counts(overlap, limit)) s = Rule::rounded(s * (1.0 - overlap));
            } else if (overlap != 0.0 && !std::isnan(overlap)) {
                // (A box that does not overlap keeps its score: exp(-0) is 1.)
                s = Rule::rounded(s * decayExp(-(overlap * overlap) / options.sigma));
            }
            if (floored && !(s >= floor)) continue;
            members[left] = members[i];
            score[left] = s;
            ++left;
        }
        live = left;
    }
}

// The walk with options over all boxes: the boxes at or above the floor,
// each group walked on its own, the kept boxes of all groups in the order of
// their scores when kept (equal scores by input position), the first maxKept.
template <class Rule>
void cullWithOptions(const Rule& rule, std::size_t count, const CullOptions& options, double floor,
                     const GroupList* groups, RowList& keptRows, ScoreList* keptScores) {
    RowList members;
    for (std::size_t i = 0; i < count; ++i) {
        const auto row = static_cast<std::uint32_t>(i);
        if (!options.hasScoreFloor || rule.score(row) >= floor) members.push_back(row);
    }
    KeptEntries kept;
    if (groups == nullptr) {
        walkWithOptions(rule, options, floor, members, kept);
    } else {
        std::stable_sort(members.begin(), members.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return (*groups)[a] < (*groups)[b]; });
        RowList group;
        for (std::size_t first = 0; first < members.size();) {
            std::size_t last = first + 1;
            while (last < members.size() && (*groups)[members[last]] == (*groups)[members[first]]) ++last;
            group.assign(members.begin() + static_cast<std::ptrdiff_t>(first),
                         members.begin() + static_cast<std::ptrdiff_t>(last));
            walkWithOptions(rule, options, floor, group, kept);
            first = last;
        }
        std::sort(kept.begin(), kept.end(), [](const KeptEntry& a, const KeptEntry& b) {
            return ranksAbove(a.score, b.score) || (!ranksAbove(b.score, a.score) && a.row < b.row);
        });
        if (kept.size() > options.maxKept) kept.resize(options.maxKept);
    }
    for (const KeptEntry& k : kept) {
        keptRows.push_back(k.row);
        if (keptScores != nullptr) keptScores->push_back(k.score);
    }
}

}  // namespace

void cullBoxes(BoxList& candidates, float threshold, const CullOptions& options, RowList& keptRows,
               ScoreList* keptScores, const GroupList* groups) {
    const double floor = toSingle(options.scoreFloor);
    const bool limited = options.decay != ScoreDecay::gaussian && static_cast<double>(threshold) > thresholdLimit;
    if (limited || options.maxKept == 0) {
        candidates.clear();
        return;
    }
    if (options.decay != ScoreDecay::none) {
        cullWithOptions(PipelineRule{candidates, threshold, options.measure}, candidates.size(), options, floor,
                        groups, keptRows, keptScores);
        candidates.clear();
        return;
    }
    // Removal: the boxes at or above the floor, with where each came from,
    // through the walks of cullBoxes.
    RowList from;
    GroupList fromGroups;
    BoxList floored;
    BoxList* list = &candidates;
    if (options.hasScoreFloor) {
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (!(candidates[i].score >= floor)) continue;
            floored.push_back(candidates[i]);
            from.push_back(static_cast<std::uint32_t>(i));
            if (groups != nullptr) fromGroups.push_back((*groups)[i]);
        }
        list = &floored;
        if (groups != nullptr) groups = &fromGroups;
    }
    const Removal removal{threshold, options.measure, options.maxKept};
    BoxList kept;
    RowList rows;
    if (groups != nullptr)
        cullGroups(*list, *groups, removal, kept, nullptr, &rows);
    else
        cullUngrouped(*list, removal, kept, nullptr, &rows);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        keptRows.push_back(options.hasScoreFloor ? from[rows[k]] : rows[k]);
        if (keptScores != nullptr) keptScores->push_back(kept[k].score);
    }
    candidates.clear();
}

void cullPlainBoxes(const PlainBoxList& candidates, double threshold, const CullOptions& options,
                    RowList& keptRows, ScoreList* keptScores, const GroupList* groups) {
    if (options.maxKept == 0) return;
    cullWithOptions(PlainRule{candidates, threshold, options.measure}, candidates.size(), options,
                    options.scoreFloor, groups, keptRows, keptScores);
}
}  // namespace regionkit
