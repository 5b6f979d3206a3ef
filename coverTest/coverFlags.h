// Coverage flags: for every pair of a box and a region box, whether more than
// 0.9 of the region box's own area lies inside the box.
//
// Boxes are rows x, y, w, h in pixels with inclusive far edges x + w - 1 and
// y + h - 1; nothing is rounded. All comparisons are strict, so a tie or a NaN
// takes the box's value, and a NaN ratio gives 0.0.
#ifndef REGIONKIT_COVERTEST_COVERFLAGS_H
#define REGIONKIT_COVERTEST_COVERFLAGS_H

#include "isa.h"

#include <cstdint>

namespace regionkit {

// A region box must have more than this share of its area inside a box.
constexpr double coverShare = 0.9;

// 1.0 when more than 0.9 of `region`'s area lies inside `box`, else 0.0.
// Each points at the first four values x, y, w, h of a row.
double coverFlag(const double* region, const double* box);

// Fills the boxCount x regionCount result, column-major: the flag of box j and
// region box t goes to flags[j + t * boxCount]. Every element is written.
// The boxes are the host's column-major matrices: regions has regionCount
// rows and boxes boxCount rows, x, y, w, h in their first four columns. Each
// box is read once, straight into the blocks the vector paths load.
void coverFlagsFromColumns(const double* regions, std::int32_t regionCount, const double* boxes,
                           std::int32_t boxCount, double* flags);

// coverFlagsFromColumns at a given vector level (the narrower of it and what
// the processor runs); every level gives the same bits. coverFlagsFromColumns
// takes the widest. Exposed so tests can hold each level against the others.
void coverFlagsOn(isa::Isa level, const double* regions, std::int32_t regionCount, const double* boxes,
                  std::int32_t boxCount, double* flags);

}  // namespace regionkit

#endif
