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
// outside the 32-bit range; under the plain rule, which keeps coordinates as
// given, NaN or an infinity), searched column by column (all x first, then y,
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
                                   std::ptrdiff_t columnStride, bool plain = false);

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

// How the overlap of two boxes is measured: their intersection over their
// union, or over the smaller of their two areas (so that a small box lying
// inside a large one overlaps it fully).
enum class OverlapMeasure { overUnion, overSmaller };

// What a kept box does to the remaining boxes it overlaps: removes them
// (none), or lowers their scores instead. Linear: score * (1 - overlap) for
// the boxes whose overlap passes the threshold. Gaussian: score *
// exp(-overlap^2 / sigma) for every remaining box; the threshold takes no part.
enum class ScoreDecay { none, linear, gaussian };

constexpr std::size_t noCap = static_cast<std::size_t>(-1);

// The options of a cull; the defaults are a call without options.
struct CullOptions {
    // At most this many boxes are kept, per call (with groups: the best
    // maxKept of all groups together); the walk stops as soon as it has them.
    std::size_t maxKept = noCap;
    // With a floor, a box takes part only while its score is at least the
    // floor (score >= floor; a NaN score never is). Under decay, a box whose
    // lowered score falls below the floor leaves the walk.
    bool hasScoreFloor = false;
    double scoreFloor = 0.0;
    OverlapMeasure measure = OverlapMeasure::overUnion;
    ScoreDecay decay = ScoreDecay::none;
    double sigma = 0.5;  // of the Gaussian decay; > 0
};

// Scores as they stand when their boxes are kept: the input scores, or under
// decay the lowered ones.
using ScoreList = std::vector<double, gateway::Allocator<double>>;

// Overlap over the smaller of the two areas, in single precision as
// boxOverlap measures: intersection / min(area a, area b); 0 when the boxes do
// not intersect.
float boxOverlapSmaller(const ScoredBox& a, const ScoredBox& b);

// cullBoxes with options, under the pipeline rule that cullBoxes applies
// (integer boxes, single precision, removal when the overlap reaches the
// threshold, +0.1 for kept boxes of area <= 4096, nothing kept above 0.99;
// the limit and the threshold apply to removal and linear decay, not to the
// Gaussian decay, which uses no threshold). Appends to keptRows the input
// positions of the kept boxes in the order kept and, with keptScores, their
// scores then. Without decay the kept rows are those cullBoxes keeps for the
// boxes at or above the floor, the first maxKept of them. Under decay each
// round keeps the best remaining box (equal scores: the earlier input
// position; NaN scores after all numbers), then lowers the scores of the
// rest; the lowered scores are rounded to single precision.
// With groups, each group is culled on its own and the kept boxes of all
// groups come in one order: by the score they were kept with, best first,
// equal scores by input position.
void cullBoxes(BoxList& candidates, float threshold, const CullOptions& options, RowList& keptRows,
               ScoreList* keptScores, const GroupList* groups = nullptr);

// A box of the plain rule: its edges as given, x1 <= u < x2, y1 <= v < y2.
// A box with x2 < x1 or y2 < y1 has no area.
struct PlainBox {
    double x1, y1, x2, y2;
    double score;
};
using PlainBoxList = std::vector<PlainBox, gateway::Allocator<PlainBox>>;

// The overlap of the plain rule, in double precision: intersection over union
// (NaN for two boxes without area) or over the smaller area (0 when they do not
// intersect). Areas are (x2 - x1) * (y2 - y1), a negative extent counting 0.
double plainOverlap(const PlainBox& a, const PlainBox& b, OverlapMeasure measure);

// The plain rule: edges as given, scores and overlaps in double precision, a
// box removed (or, under linear decay, lowered) when its overlap with the kept
// box is strictly greater than the threshold; no small-box rule and no upper
// limit. Otherwise as the cullBoxes with options above, scores unrounded. The
// walk measures every remaining box against each kept box: its cost grows
// with the boxes times the kept boxes.
void cullPlainBoxes(const PlainBoxList& candidates, double threshold, const CullOptions& options,
                    RowList& keptRows, ScoreList* keptScores, const GroupList* groups = nullptr);

// e^x for x <= 0 (0 below the smallest subnormal, and for -infinity; NaN for
// NaN), from IEEE additions, multiplications and exact scalings alone, so that
// it gives the same bits on every platform, which the C library's exp does
// not. Within 1 ulp of the exact value on [-708, 0] (measured against the C
// library's exp in the tests).
double decayExp(double x);
}  // namespace regionkit

#endif
