#include "exactArithmetic.h"

#include "refitBoxes.h"

#include "lanes.h"

#include <cstddef>

namespace {

// The first member index at or after `from`, or `count` when there is none.
// Most marks are not members, so pairs of marks are tested at once, with the
// 128-bit vectors every x86-64 and arm64 processor has.
inline std::int32_t nextMember(const double* member, std::int32_t from, std::int32_t count) {
#if defined(REGIONKIT_X86_64) || defined(REGIONKIT_ARM64)
    using L = isa::Lanes<isa::Isa::v128>;
    const L::V one = L::splat(1.0);
    while (count - from >= L::W && !L::anyEqual(L::load(member + from), one)) from += L::W;
#endif
    while (from < count && member[from] != 1.0) ++from;
    return from;
}

}  // namespace

void refitBoxes(const double* const* boxes, std::int32_t boxCount, const double* const* regions,
                std::int32_t regionCount, const double* const* members, std::int32_t height, std::int32_t width,
                double* out) {
    if (boxCount <= 0) return;
    const auto stride = static_cast<std::size_t>(boxCount);
    const double bottomLimit = static_cast<double>(height);
    const double rightLimit = static_cast<double>(width);
    for (std::int32_t i = 0; i < boxCount; ++i) {
        const double* member = members[i];
        double minX = refitStartLeast, minY = refitStartLeast;
        double maxRight = refitStartGreatest, maxBottom = refitStartGreatest;
        bool found = false;
        // Each running value is replaced whenever the strict comparison that
        // would keep it is false: ties replace, and NaN on either side gives way.
        for (std::int32_t j = nextMember(member, 0, regionCount); j < regionCount;
             j = nextMember(member, j + 1, regionCount)) {
            const double* r = regions[j];
            const double x = r[0], y = r[1];
            const double right = (x + r[2]) - 1.0;
            const double bottom = (y + r[3]) - 1.0;
            found = true;
            if (!(x > minX)) minX = x;
            if (!(y > minY)) minY = y;
            if (!(maxRight > right)) maxRight = right;
            if (!(maxBottom > bottom)) maxBottom = bottom;
        }

        double* row = out + i;
        if (!found) {
            const double* box = boxes[i];
            row[0] = box[0];
            row[stride] = box[1];
            row[2 * stride] = box[2];
            row[3 * stride] = box[3];
            continue;
        }
        double left = minX - 1.0;
        if (!(left > 1.0)) left = 1.0;
        double top = minY - 1.0;
        if (!(top > 1.0)) top = 1.0;
        double right = maxRight + 1.0;
        if (!(rightLimit > right)) right = rightLimit;
        double bottom = maxBottom + 1.0;
        if (!(bottomLimit > bottom)) bottom = bottomLimit;
        row[0] = left;
        row[stride] = top;
        row[2 * stride] = (right - left) + 1.0;
        row[3 * stride] = (bottom - top) + 1.0;
    }
}
