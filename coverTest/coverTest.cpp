// flags = coverTest(regionBoxes, boxes): which region boxes each box covers.
//
// regionBoxes is MA x NA and boxes MB x NB (NA, NB >= 4): x, y, w, h per row,
// further columns unread. The result is MB x MA: element (j, t) is 1.0 when
// more than 0.9 of region box t's area lies inside box j, else 0.0 — the
// membership layout rectRefit takes.
#include "coverFlags.h"
#include "gate.h"

using namespace regionkit;

namespace {

enum { IN_REGIONS = 0, IN_BOXES, IN_COUNT };
enum { OUT_FLAGS = 0, OUT_COUNT };

const char* const usage = "flags = coverTest(regionBoxes, boxes)";

// The boxes are read where the host keeps them, so the only memory a call
// takes is its result.
bool coverEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_COUNT, IN_COUNT, usage)) return false;
    const mxArray* regions = prhs[IN_REGIONS];
    const mxArray* boxes = prhs[IN_BOXES];

    std::int32_t regionRows = 0, regionCols = 0, boxRows = 0, boxCols = 0;
    if (!gate.boxMatrix(regions, 1, "regionBoxes", &regionRows, &regionCols) ||
        !gate.boxMatrix(boxes, 2, "boxes", &boxRows, &boxCols))
        return false;

    double* flags = nullptr;
    if (!gate.createResult(boxRows, regionRows, &plhs[OUT_FLAGS], &flags)) return false;
    coverFlagsFromColumns(mxGetPr(regions), regionRows, mxGetPr(boxes), boxRows, flags);
    return true;
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("coverTest");
    if (!coverEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
