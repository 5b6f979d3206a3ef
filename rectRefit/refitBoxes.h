// Box refit: every box becomes the bounding box of its member regions, grown
// by one pixel on each side and clipped to the image.
//
// Boxes are rows x, y, w, h in pixels, 1-based, with inclusive far edges
// x + w - 1 and y + h - 1; the image covers columns 1..width and rows
// 1..height. Nothing is rounded.
#ifndef REGIONKIT_RECTREFIT_REFITBOXES_H
#define REGIONKIT_RECTREFIT_REFITBOXES_H

#include "isa.h"

#include <cstddef>
#include <cstdint>

namespace regionkit {

// The running least x and y start here, the running greatest right and bottom
// edges at 0: finite starts, so a union lying wholly beyond x = 100000 still
// begins at 100000 - 1.
constexpr double refitStartLeast = 100000.0;
constexpr double refitStartGreatest = 0.0;

// Every matrix is read where it lies, column-major: box i's x, y, w, h at
// boxes[i + c * boxCount] for c = 0..3, region j's at regions[j + c *
// regionCount], and region j is a member of box i exactly when
// members[i + j * memberStride] == 1.0 (memberStride, the membership's own row
// count, at least boxCount; only its first regionCount columns are read).
//
// Writes columns 0..3 of the boxCount-row, column-major result `out` (column c
// of row i at out[i + c * boxCount]); other columns are not touched. A box
// without members gets its own first four values.
//
// The membership is walked column after column, as it lies in memory: region
// after region, each with the boxes it belongs to. A box still meets its
// members in increasing region order, as a walk along its own row would, so
// every running value goes through the same comparisons in the same order,
// NaN and signed zeros included. The running values live in `out` until each
// box is finished; no memory is allocated.
void refitBoxes(const double* boxes, std::int32_t boxCount, const double* regions, std::int32_t regionCount,
                const double* members, std::size_t memberStride, std::int32_t height, std::int32_t width,
                double* out);

// refitBoxes at a given vector level (the narrower of it and what the
// processor runs), which only changes how many boxes of a membership column
// are looked at and updated at once; every level gives the same bits. Exposed
// so tests can check each.
void refitBoxesOn(isa::Isa level, const double* boxes, std::int32_t boxCount, const double* regions,
                  std::int32_t regionCount, const double* members, std::size_t memberStride, std::int32_t height,
                  std::int32_t width, double* out);

}  // namespace regionkit

#endif
