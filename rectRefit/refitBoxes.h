// Box refit: every box becomes the bounding box of its member regions, grown
// by one pixel on each side and clipped to the image.
//
// Boxes are rows x, y, w, h in pixels, 1-based, with inclusive far edges
// x + w - 1 and y + h - 1; the image covers columns 1..width and rows
// 1..height. Nothing is rounded.
#ifndef REGIONKIT_RECTREFIT_REFITBOXES_H
#define REGIONKIT_RECTREFIT_REFITBOXES_H

#include "isa.h"

#include <cstdint>

// The running least x and y start here, the running greatest right and bottom
// edges at 0: finite starts, so a union lying wholly beyond x = 100000 still
// begins at 100000 - 1.
constexpr double refitStartLeast = 100000.0;
constexpr double refitStartGreatest = 0.0;

// Region j is a member of box i exactly when members[i][j] == 1.0.
//
// Writes columns 0..3 of every row of the boxCount-row, column-major result
// `out` (column c of row i at out[i + c * boxCount]); other columns are not
// touched. A box without members gets its own first four values. boxes[i] and
// regions[j] point at rows of at least four values, members[i] at a row of at
// least regionCount values.
void refitBoxes(const double* const* boxes, std::int32_t boxCount, const double* const* regions,
                std::int32_t regionCount, const double* const* members, std::int32_t height, std::int32_t width,
                double* out);

// refitBoxes at a given vector level (the narrower of it and what the
// processor runs), which only changes how many membership marks are looked
// at once; every level gives the same bits. Exposed so tests can check each.
void refitBoxesOn(isa::Isa level, const double* const* boxes, std::int32_t boxCount, const double* const* regions,
                  std::int32_t regionCount, const double* const* members, std::int32_t height, std::int32_t width,
                  double* out);

#endif
