// The level detection finds is the widest this machine runs, as the compiler's
// own reading of the processor (CPUID and the saved register state, through
// its runtime library) sees it. A detection that finds too little costs every
// call its speed and fails no other test: the per-level tests only run the
// levels detection reports.
#include "isa.h"

#include <gtest/gtest.h>

namespace {

TEST(Isa, WidestIsTheWidestLevelTheMachineRuns) {
#if defined(REGIONKIT_X86_64) && defined(__GNUC__)
    __builtin_cpu_init();
    const isa::Isa runs = __builtin_cpu_supports("avx512f") ? isa::Isa::v512
                          : __builtin_cpu_supports("avx")   ? isa::Isa::v256
                                                            : isa::Isa::v128;
    EXPECT_STREQ(isa::name(isa::widest()), isa::name(runs));
#elif defined(REGIONKIT_ARM64)
    EXPECT_EQ(isa::widest(), isa::Isa::v128);  // NEON is part of every arm64 processor
#else
    GTEST_SKIP() << "this compiler has no reading of the processor's features of its own";
#endif
}

}  // namespace
