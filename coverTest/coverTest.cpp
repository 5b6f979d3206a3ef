// flags = coverTest(regionBoxes, boxes): which region boxes each box covers.
//
// regionBoxes is MA x NA and boxes MB x NB (NA, NB >= 4): x, y, w, h per row,
// further columns unread. The result is MB x MA: element (j, t) is 1.0 when
// more than 0.9 of region box t's area lies inside box j, else 0.0 — the
// membership layout rectRefit takes.
#include "coverFlags.h"
#include "gate.h"
#include "rowTable.h"

namespace {

enum { IN_REGIONS = 0, IN_BOXES, IN_COUNT };
enum { OUT_FLAGS = 0, OUT_COUNT };

const char* const usage = "flags = coverTest(regionBoxes, boxes)";

bool boxMatrix(gateway::Gate& gate, const mxArray* a, int position, const char* name, std::int32_t* rows,
               std::int32_t* cols) {
    return gate.realDoubleMatrix(a, position, name) && gate.columnsAtLeast(a, position, name, 4, "x, y, w, h") &&
           gate.size32(a, position, name, rows, cols);
}

bool coverEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_COUNT, IN_COUNT, usage)) return false;
    const mxArray* regions = prhs[IN_REGIONS];
    const mxArray* boxes = prhs[IN_BOXES];

    std::int32_t regionRows = 0, regionCols = 0, boxRows = 0, boxCols = 0;
    if (!boxMatrix(gate, regions, 1, "regionBoxes", &regionRows, &regionCols) ||
        !boxMatrix(gate, boxes, 2, "boxes", &boxRows, &boxCols))
        return false;

    return gateway::guarded(gate, [&] {
        gateway::RowTables tables;
        if (!tables.add(regionRows, regionCols, mxGetPr(regions)) || !tables.add(boxRows, boxCols, mxGetPr(boxes)))
            return gate.outOfMemory();
        tables.fillAll();

        double* flags = nullptr;
        if (!gate.createResult(boxRows, regionRows, &plhs[OUT_FLAGS], &flags)) return false;
        coverFlags(tables[IN_REGIONS], regionRows, tables[IN_BOXES], boxRows, flags);
        tables.freeAll();
        return true;
    });
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("coverTest");
    if (!coverEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
