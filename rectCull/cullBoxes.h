// Greedy non-maximum suppression of scored boxes.
//
// Boxes are half-open integer rectangles: x <= u < x + w, y <= v < y + h,
// area w*h. Overlap is intersection over union in single precision.
#ifndef REGIONKIT_RECTCULL_CULLBOXES_H
#define REGIONKIT_RECTCULL_CULLBOXES_H

#include "allocation.h"
#include "int32Range.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace regionkit {

struct ScoredBox {
    std::int32_t x;
    std::int32_t y;
    std::int32_t w;
    std::int32_t h;
    float score;
};

using BoxList = std::vector<ScoredBox, gateway::Allocator<ScoredBox>>;

// Positions in the caller's candidate list, counted from 0.
using RowList = std::vector<std::uint32_t, gateway::Allocator<std::uint32_t>>;

// A group per candidate, in the caller's order: any integer labels, compared
// for equality.
using GroupList = std::vector<std::int64_t, gateway::Allocator<std::int64_t>>;

// Kept boxes of at most this area (w*h) suppress less: their threshold is raised by 0.1.
constexpr std::int64_t smallBoxArea = 4096;

// Thresholds above this (compared in double precision) keep nothing at all.
constexpr double thresholdLimit = 0.99;

// The names of a box record's coordinates, in column order.
extern const char* const coordinateNames[4];

// The first coordinate of n box records that a record cannot hold (NaN, or
// outside the 32-bit range), searched column by column (all x first, then y,
// w, h); `found` is false when every one fits. Coordinate c of record i is
// data[i * rowStride + c * columnStride], strides counted in doubles.
// rectCull and regionkit.nms both refuse what this finds.
struct CoordinateFault {
    bool found = false;
    std::size_t row = 0;
    int column = 0;
    double value = 0.0;
};
CoordinateFault firstBadCoordinate(const double* data, std::size_t n, std::ptrdiff_t rowStride,
                                   std::ptrdiff_t columnStride);

// The position of the first NaN among n groups, group i at groups[i * stride],
// or n when there is none: every other number is a group.
std::size_t firstNanGroup(const double* groups, std::size_t n, std::ptrdiff_t stride = 1);

// A group's label from a number: equal numbers give equal labels (-0 and +0
// alike). NaN has no label; callers refuse it first.
inline std::int64_t groupLabel(double g) {
    if (g == 0.0) g = 0.0;
    std::int64_t label;
    std::memcpy(&label, &g, sizeof label);
    return label;
}

// A double rounded to the nearest single-precision float, as IEEE conversion
// does, including overflow to infinity (which a plain cast leaves undefined).
float toSingle(double value);

// True exactly when lhs scores higher than rhs; false on ties and on NaN.
bool byScoreDescending(const ScoredBox& lhs, const ScoredBox& rhs);

// Intersection over union of the kept box a and the candidate b.
float boxOverlap(const ScoredBox& a, const ScoredBox& b);

// How much work a cull took, counted as it goes (not timed), for checking
// that it grows with the boxes and not faster. Counting costs a few additions.
struct CullCounts {
    // Cells of the grid that finds the candidates near a kept box; 0 when the
    // plain walk ran instead (small inputs, thresholds at or below 0).
    std::uint64_t cells = 0;
    // Candidates the grid showed kept boxes, summed over the kept boxes:
    // those measured and those already decided.
    std::uint64_t examined = 0;
};

// Sorts the candidates by descending score (stable; NaN scores last), then
// repeatedly keeps the best remaining candidate and drops every candidate
// whose overlap with it reaches the threshold. Appends the kept boxes to
// `kept`, best first. The candidates are consumed: on return the list is
// empty, except when the threshold is above the 0.99 limit, when it is left
// sorted and nothing is kept. With `counts`, also reports the work done. With
// `keptRows`, appends beside each kept box its position in the candidate list
// as the caller filled it, so that equal boxes are still told apart.
//
// With `groups` (one per candidate), a box is measured only against kept
// boxes of its own group: each group keeps exactly what a call on that
// group's candidates alone keeps, and the kept boxes of all groups come
// together in the same best-first order as without groups (equal scores in
// the caller's order). The counts are then summed over the groups.
void cullBoxes(BoxList& candidates, float threshold, BoxList& kept, CullCounts* counts = nullptr,
               RowList* keptRows = nullptr, const GroupList* groups = nullptr);

}  // namespace regionkit

#endif
