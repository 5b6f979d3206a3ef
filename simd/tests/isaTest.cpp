// The level detection finds is the widest this machine runs, as the compiler's
// own reading of the processor (CPUID and the saved register state, through
// its runtime library) sees it, and on other machines what their answers
// allow. A detection that finds too little costs every
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

#if defined(REGIONKIT_X86_64)
TEST(Isa, WidestFollowsWhatTheProcessorAndTheOperatingSystemAnswer) {
    // CPUID leaf 1 ECX: SSE3 to POPCNT, AES and XSAVE, as every processor with
    // AVX has them, then OSXSAVE (bit 27) and AVX (bit 28). Leaf 7 EBX: AVX2
    // (bit 5) and BMI1/2, then AVX-512F (bit 16) and its companions. XCR0:
    // x87 and SSE (bits 0, 1), AVX (bit 2), opmask and ZMM (bits 5 to 7).
    const unsigned base = 0x06BAE3FFu, osxsave = 1u << 27, avx = 1u << 28;
    const unsigned haswell = 0x000027ABu, skylakeServer = 0xD19F4FBBu;
    const struct {
        const char* machine;
        isa::ProcessorAnswers answers;
        isa::Isa widest;
    } machines[] = {
        {"no AVX (Nehalem)", {0x009CE3BDu, 0, 0}, isa::Isa::v128},
        {"AVX, but the OS has not enabled XSAVE", {base | avx, 0, 0}, isa::Isa::v128},
        {"OSXSAVE without AVX", {base | osxsave, 0, 0x3}, isa::Isa::v128},
        {"AVX, the OS not saving YMM", {base | osxsave | avx, 0, 0x3}, isa::Isa::v128},
        {"AVX, no leaf 7 (Sandy Bridge)", {base | osxsave | avx, 0, 0x7}, isa::Isa::v256},
        {"AVX2 without AVX-512 (Haswell)", {base | osxsave | avx, haswell, 0x7}, isa::Isa::v256},
        {"AVX-512F, the OS saving no opmask or ZMM", {base | osxsave | avx, skylakeServer, 0x7}, isa::Isa::v256},
        {"AVX-512F, the OS saving the opmask only", {base | osxsave | avx, skylakeServer, 0x27}, isa::Isa::v256},
        {"AVX-512F in full (Skylake server)", {base | osxsave | avx, skylakeServer, 0xE7}, isa::Isa::v512},
        {"AVX-512F state saved, AVX bit clear", {base | osxsave, skylakeServer, 0xE7}, isa::Isa::v128},
    };
    for (const auto& m : machines)
        EXPECT_STREQ(isa::name(isa::widestFor(m.answers)), isa::name(m.widest)) << m.machine;
}
#endif

TEST(Isa, NameOfEveryLevelInTheTableAndOutsideIt) {
    // A level of this build names its instruction set; a tag this
    // architecture has no code for names itself; anything else is "?".
    const int tagCount = static_cast<int>(sizeof isa::tags / sizeof isa::tags[0]);
    for (int k = -2; k < tagCount + 2; ++k) {
        const char* expected = k >= 0 && k < isa::levelCount ? isa::levels[k].name
                               : k >= 0 && k < tagCount      ? isa::tags[k]
                                                             : "?";
        EXPECT_STREQ(isa::name(static_cast<isa::Isa>(k)), expected) << "level " << k;
    }
}

}  // namespace
