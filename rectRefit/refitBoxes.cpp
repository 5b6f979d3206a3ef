#include "exactArithmetic.h"

#include "refitBoxes.h"

#include "lanes.h"

#include <cstddef>

namespace {

#define REGIONKIT_BODY "refitBody.inc"
#include "eachIsa.inc"
#undef REGIONKIT_BODY

}  // namespace

void refitBoxesOn(isa::Isa level, const double* const* boxes, std::int32_t boxCount, const double* const* regions,
                  std::int32_t regionCount, const double* const* members, std::int32_t height, std::int32_t width,
                  double* out) {
    const isa::Isa run = isa::choose(level);
    REGIONKIT_RUN(run, refitAll(boxes, boxCount, regions, regionCount, members, height, width, out));
}

void refitBoxes(const double* const* boxes, std::int32_t boxCount, const double* const* regions,
                std::int32_t regionCount, const double* const* members, std::int32_t height, std::int32_t width,
                double* out) {
    refitBoxesOn(isa::preferred(), boxes, boxCount, regions, regionCount, members, height, width, out);
}
