#include "exactArithmetic.h"

#include "coverFlags.h"

#include "lanes.h"

#include <cstddef>

namespace regionkit {

namespace {

// The flag of one pair, from the region box's x, y, inclusive right and
// bottom edges and area, and the box's x, y and inclusive edges. Each
// comparison is strict, so equal values and NaN take the box's side.
inline double flagOf(double ax, double ay, double ra, double da, double area, double bx, double by, double rb,
                     double db) {
    const double left = ax > bx ? ax : bx;
    const double top = ay > by ? ay : by;
    const double right = rb > ra ? ra : rb;
    const double bottom = db > da ? da : db;
    double iw = (right - left) + 1.0;
    if (0.0 > iw) iw = 0.0;
    double ih = (bottom - top) + 1.0;
    if (0.0 > ih) ih = 0.0;
    const double ratio = (ih * iw) / area;
    return ratio > coverShare ? 1.0 : 0.0;
}

// Boxes are taken a block at a time, their x, y and edges copied into local
// arrays, so that for each region box the block's flags are computed side by
// side and written to one contiguous stretch of the region box's column.
constexpr std::int32_t blockSize = 256;

// Each array starts on a 64-byte line, so the widest vectors' loads never
// straddle two lines.
struct BoxBlock {
    alignas(64) double x[blockSize];
    alignas(64) double y[blockSize];
    alignas(64) double right[blockSize];
    alignas(64) double bottom[blockSize];
    std::int32_t count;
};

// Where value c (0 to 3: x, y, w, h) of box i is read from: the host's
// column-major matrix of `rows` rows.
struct Columns {
    const double* data;
    std::size_t rows;
    double operator()(std::int32_t i, int c) const {
        return data[static_cast<std::size_t>(i) + static_cast<std::size_t>(c) * rows];
    }
};

void loadBlock(const Columns& boxes, std::int32_t first, std::int32_t count, BoxBlock& b) {
    b.count = count;
    for (std::int32_t k = 0; k < count; ++k) {
        const double x = boxes(first + k, 0), y = boxes(first + k, 1);
        b.x[k] = x;
        b.y[k] = y;
        b.right[k] = (x + boxes(first + k, 2)) - 1.0;
        b.bottom[k] = (y + boxes(first + k, 3)) - 1.0;
    }
}

struct RegionBox {
    double x, y, right, bottom, area;
};

RegionBox regionBox(double x, double y, double w, double h) { return {x, y, (x + w) - 1.0, (y + h) - 1.0, h * w}; }

RegionBox regionBox(const Columns& regions, std::int32_t t) {
    return regionBox(regions(t, 0), regions(t, 1), regions(t, 2), regions(t, 3));
}

// Flags of boxes from..count-1 of the block against one region box.
inline void plainRun(const RegionBox& a, const BoxBlock& b, std::int32_t from, double* out) {
    for (std::int32_t k = from; k < b.count; ++k)
        out[k] = flagOf(a.x, a.y, a.right, a.bottom, a.area, b.x[k], b.y[k], b.right[k], b.bottom[k]);
}

#define REGIONKIT_BODY "coverBody.inc"
#include "eachIsa.inc"
#undef REGIONKIT_BODY

// Each box is read once, into the block; each region box once per block.
void flagsOn(isa::Isa level, const Columns& regions, std::int32_t regionCount, const Columns& boxes,
             std::int32_t boxCount, double* flags) {
    if (boxCount <= 0 || regionCount <= 0) return;
    const auto stride = static_cast<std::size_t>(boxCount);
    const isa::Isa run = isa::choose(level);
    BoxBlock block;
    for (std::int32_t first = 0; first < boxCount; first += blockSize) {
        const std::int32_t count = boxCount - first < blockSize ? boxCount - first : blockSize;
        loadBlock(boxes, first, count, block);
        double* out = flags + first;
        for (std::int32_t t = 0; t < regionCount; ++t) {
            const RegionBox a = regionBox(regions, t);
            double* column = out + static_cast<std::size_t>(t) * stride;
            REGIONKIT_RUN(run, flagBlock(a, block, column));
        }
    }
}

}  // namespace

double coverFlag(const double* region, const double* box) {
    const RegionBox a = regionBox(region[0], region[1], region[2], region[3]);
    return flagOf(a.x, a.y, a.right, a.bottom, a.area, box[0], box[1], (box[0] + box[2]) - 1.0,
                  (box[1] + box[3]) - 1.0);
}

void coverFlagsOn(isa::Isa level, const double* regions, std::int32_t regionCount, const double* boxes,
                  std::int32_t boxCount, double* flags) {
    flagsOn(level, Columns{regions, static_cast<std::size_t>(regionCount)}, regionCount,
            Columns{boxes, static_cast<std::size_t>(boxCount)}, boxCount, flags);
}

void coverFlagsFromColumns(const double* regions, std::int32_t regionCount, const double* boxes,
                           std::int32_t boxCount, double* flags) {
    coverFlagsOn(isa::preferred(), regions, regionCount, boxes, boxCount, flags);
}

}  // namespace regionkit
