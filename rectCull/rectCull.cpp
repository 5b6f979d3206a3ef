// [kept, keptRows] = rectCull(boxes, threshold): greedy non-maximum suppression.
//
// boxes is M x N (N >= 5): x, y, w, h, score per row, further columns carried
// along unread. The result is K x (N-1): the kept boxes' truncated x, y, w, h,
// best first, with any further columns left 0. keptRows, when asked for, is
// K x 1: the row of boxes each kept box came from, counted from 1. With a
// third argument, groups (one number per box), boxes suppress only boxes of
// their own group.
#include "exactArithmetic.h"

#include "cullBoxes.h"
#include "gate.h"

#include <cmath>

using namespace regionkit;

namespace {

enum { IN_BOXES = 0, IN_THRESHOLD, IN_GROUPS, IN_COUNT };
enum { OUT_KEPT = 0, OUT_ROWS, OUT_COUNT };

const char* const usage = "[kept, keptRows] = rectCull(boxes, threshold[, groups])";
// Coordinates become 32-bit integers; refuse any that cannot, before anything is allocated.
bool checkCoordinates(gateway::Gate& gate, const double* data, std::int32_t rows) {
    const auto n = static_cast<std::size_t>(rows);
    const CoordinateFault fault = firstBadCoordinate(data, n, 1, static_cast<std::ptrdiff_t>(n));
    if (!fault.found) return true;
    const auto box = static_cast<int>(fault.row) + 1;
    const long long element = static_cast<long long>(fault.row + static_cast<std::size_t>(fault.column) * n) + 1;
    if (std::isnan(fault.value))
        return gate.refuseElement(1, "boxes", element, fault.value, "badCoordinate",
                                  "Box %d has %s = NaN; box coordinates must be numbers.", box,
                                  coordinateNames[fault.column]);
    return gate.refuseElement(1, "boxes", element, fault.value, "badCoordinate",
                              "Box %d has %s = %g; box coordinates must lie between -2147483648 and 2147483647.",
                              box, coordinateNames[fault.column], fault.value);
}

// Groups: one number per box, none NaN.
bool checkGroups(gateway::Gate& gate, const mxArray* groups, std::int32_t rows) {
    if (!gate.realDoubleMatrix(groups, 3, "groups")) return false;
    if (mxGetNumberOfElements(groups) != static_cast<std::size_t>(rows))
        return gate.refuseArgument(3, "groups", "groupCount", "Argument 3 (groups) needs one group per box, %d "
                                   "elements, but a %dx%d matrix came.", rows, static_cast<int>(mxGetM(groups)),
                                   static_cast<int>(mxGetN(groups)));
    const double* data = mxGetPr(groups);
    const std::size_t i = firstNanGroup(data, static_cast<std::size_t>(rows));
    if (i == static_cast<std::size_t>(rows)) return true;
    return gate.refuseElement(3, "groups", static_cast<long long>(i) + 1, data[i], "badGroup",
                              "Box %d has group NaN; groups must be numbers.", static_cast<int>(i) + 1);
}

bool cullEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_GROUPS, IN_COUNT, usage)) return false;
    const mxArray* boxes = prhs[IN_BOXES];
    const mxArray* threshold = prhs[IN_THRESHOLD];

    std::int32_t rows = 0, cols = 0;
    if (!gate.recordMatrix(boxes, 1, "boxes", 5, "x, y, w, h, score", &rows, &cols)) return false;
    if (!gate.realDoubleMatrix(threshold, 2, "threshold") || !gate.notEmpty(threshold, 2, "threshold"))
        return false;
    const double* data = mxGetPr(boxes);
    if (!checkCoordinates(gate, data, rows)) return false;
    const mxArray* groupArgument = nrhs > IN_GROUPS ? prhs[IN_GROUPS] : nullptr;
    if (groupArgument != nullptr && !checkGroups(gate, groupArgument, rows)) return false;
    const float overlapThreshold = toSingle(gateway::firstValue(threshold));

    return gateway::guarded(gate, [&] {
        // The boxes are read straight from the host's columns: each record
        // takes its five fields from row i of the five leading columns, the
        // values a row-by-row copy of the matrix would give it.
        const auto count = static_cast<std::size_t>(rows);
        const double* column[5];
        for (int j = 0; j < 5; ++j) column[j] = data + static_cast<std::size_t>(j) * count;
        BoxList candidates(count);
        for (std::size_t i = 0; i < count; ++i)
            candidates[i] = {static_cast<std::int32_t>(column[0][i]), static_cast<std::int32_t>(column[1][i]),
                             static_cast<std::int32_t>(column[2][i]), static_cast<std::int32_t>(column[3][i]),
                             toSingle(column[4][i])};
        GroupList groups;
        if (groupArgument != nullptr) {
            const double* group = mxGetPr(groupArgument);
            groups.resize(count);
            for (std::size_t i = 0; i < count; ++i) groups[i] = groupLabel(group[i]);
        }
        BoxList kept;
        RowList keptRows;
        const bool wantRows = nlhs > OUT_ROWS;
        cullBoxes(candidates, overlapThreshold, kept, nullptr, wantRows ? &keptRows : nullptr,
                  groupArgument != nullptr ? &groups : nullptr);

        const auto keptCount = static_cast<std::int32_t>(kept.size());
        double* out = nullptr;
        if (!gate.createResult(keptCount, cols - 1, &plhs[OUT_KEPT], &out)) return false;
        if (wantRows) {
            double* rowsOut = nullptr;
            if (!gate.createResult(keptCount, 1, &plhs[OUT_ROWS], &rowsOut)) return false;
            for (std::size_t k = 0; k < keptRows.size(); ++k) rowsOut[k] = static_cast<double>(keptRows[k]) + 1.0;
        }
        const std::size_t stride = kept.size();
        for (std::size_t k = 0; k < kept.size(); ++k) {
            out[k] = kept[k].x;
            out[k + stride] = kept[k].y;
            out[k + 2 * stride] = kept[k].w;
            out[k + 3 * stride] = kept[k].h;
        }
        return true;
    });
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("rectCull");
    if (!cullEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
