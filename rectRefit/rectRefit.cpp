// refit = rectRefit(boxes, regionBoxes, membership, height, width): every box
// becomes the bounding box of its member regions, grown by one pixel on each
// side and clipped to the image.
//
// boxes is M0 x N0 and regionBoxes M1 x N1 (N0, N1 >= 4): x, y, w, h per row.
// membership has at least M0 rows and M1 columns; region j belongs to box i
// where element (i, j) is exactly 1.0. height bounds y, width bounds x. The
// result is M0 x N0: the refit x, y, w, h, further columns 0.
#include "exactArithmetic.h"

#include "gate.h"
#include "int32Range.h"
#include "refitBoxes.h"

#include <cmath>
#include <cstddef>

using namespace regionkit;

namespace {

enum { IN_BOXES = 0, IN_REGIONS, IN_MEMBERSHIP, IN_HEIGHT, IN_WIDTH, IN_COUNT };
enum { OUT_REFIT = 0, OUT_COUNT };

const char* const usage = "refit = rectRefit(boxes, regionBoxes, membership, height, width)";

// An image size: the first element, truncated toward zero to 32 bits.
bool imageSize(gateway::Gate& gate, const mxArray* a, int position, const char* name, std::int32_t* out) {
    if (!gate.realDoubleMatrix(a, position, name) || !gate.notEmpty(a, position, name)) return false;
    const double v = gateway::firstValue(a);
    if (std::isnan(v))
        return gate.refuseElement(position, name, 1, v, "badImageSize",
                                  "Argument %d (%s) is NaN; the image %s must be a number.", position, name, name);
    if (!isa::truncatesToInt32(v))
        return gate.refuseElement(position, name, 1, v, "badImageSize",
                                  "Argument %d (%s) is %g; the image %s must lie between -2147483648 and 2147483647.",
                                  position, name, v, name);
    *out = static_cast<std::int32_t>(v);
    return true;
}

bool refitEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_COUNT, IN_COUNT, usage)) return false;
    const mxArray* boxes = prhs[IN_BOXES];
    const mxArray* regions = prhs[IN_REGIONS];
    const mxArray* membership = prhs[IN_MEMBERSHIP];

    std::int32_t boxRows = 0, boxCols = 0, regionRows = 0, regionCols = 0, memberRows = 0, memberCols = 0;
    if (!gate.boxMatrix(boxes, 1, "boxes", &boxRows, &boxCols) ||
        !gate.boxMatrix(regions, 2, "regionBoxes", &regionRows, &regionCols) ||
        !gate.realDoubleMatrix(membership, 3, "membership") ||
        !gate.size32(membership, 3, "membership", &memberRows, &memberCols))
        return false;
    if (memberRows < boxRows || memberCols < regionRows)
        return gate.refuseArgument(3, "membership", "membershipTooSmall",
                           "Argument 3 (membership) needs one row per box and one column per region box, at least "
                           "%dx%d, but a %dx%d matrix came.",
                           boxRows, regionRows, memberRows, memberCols);
    std::int32_t height = 0, width = 0;
    if (!imageSize(gate, prhs[IN_HEIGHT], 4, "height", &height) ||
        !imageSize(gate, prhs[IN_WIDTH], 5, "width", &width))
        return false;

    // Every matrix is read where it lies; of the membership only the first
    // box-count rows of the first region-count columns, so a larger matrix,
    // even an empty one claiming 2^31 rows, costs nothing more. The result is
    // the one allocation.
    return gateway::guarded(gate, [&] {
        double* refit = nullptr;
        if (!gate.createResult(boxRows, boxCols, &plhs[OUT_REFIT], &refit)) return false;
        refitBoxes(mxGetPr(boxes), boxRows, mxGetPr(regions), regionRows, mxGetPr(membership),
                   static_cast<std::size_t>(memberRows), height, width, refit);
        return true;
    });
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("rectRefit");
    if (!refitEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
