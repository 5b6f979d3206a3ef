// Tests that run once per vector level this machine has (isa.h):
//
//   REGIONKIT_EVERY_LEVEL(SlideDotLevels);
//   TEST_P(SlideDotLevels, GiveThePlainLoopsBits) { ... level() ... }
//
// Each level shows as its own test, named after its instruction set.
#ifndef REGIONKIT_TESTSUPPORT_LEVELS_H
#define REGIONKIT_TESTSUPPORT_LEVELS_H

#include "isa.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testsupport {

inline std::vector<isa::Isa> levels() {
    isa::Isa found[isa::levelCount];
    const int count = isa::available(found);
    return std::vector<isa::Isa>(found, found + count);
}

class EveryLevel : public ::testing::TestWithParam<isa::Isa> {
protected:
    isa::Isa level() const { return GetParam(); }
    const char* levelName() const { return isa::name(GetParam()); }
};

struct LevelName {
    std::string operator()(const ::testing::TestParamInfo<isa::Isa>& info) const { return isa::name(info.param); }
};

}  // namespace testsupport

#define REGIONKIT_EVERY_LEVEL(Suite)                   \
    class Suite : public ::testsupport::EveryLevel {}; \
    INSTANTIATE_TEST_SUITE_P(Level, Suite, ::testing::ValuesIn(::testsupport::levels()), ::testsupport::LevelName())

#endif
