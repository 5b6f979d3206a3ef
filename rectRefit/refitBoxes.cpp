#include "exactArithmetic.h"

#include "refitBoxes.h"

#include "lanes.h"

#include <cstddef>

namespace regionkit {

namespace {

// Boxes per strip: the found flags of one strip, 32 KB, stay on the stack.
constexpr std::int32_t refitStrip = 4096;

#define REGIONKIT_BODY "refitBody.inc"
#include "eachIsa.inc"
#undef REGIONKIT_BODY

}  // namespace

void refitBoxesOn(isa::Isa level, const double* boxes, std::int32_t boxCount, const double* regions,
                  std::int32_t regionCount, const double* members, std::size_t memberStride, std::int32_t height,
                  std::int32_t width, double* out) {
    const isa::Isa run = isa::choose(level);
    REGIONKIT_RUN(run,
                  refitAll(boxes, boxCount, regions, regionCount, members, memberStride, height, width, out));
}

void refitBoxes(const double* boxes, std::int32_t boxCount, const double* regions, std::int32_t regionCount,
                const double* members, std::size_t memberStride, std::int32_t height, std::int32_t width,
                double* out) {
    refitBoxesOn(isa::preferred(), boxes, boxCount, regions, regionCount, members, memberStride, height, width,
                 out);
}

}  // namespace regionkit
