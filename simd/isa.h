// The vector instruction sets the kernels are written for, and the one place
// that says which of them this processor and operating system can run.
//
// Every kernel with vector paths is written once over isa::Lanes (lanes.h)
// and compiled once per level (eachIsa.inc); at run time it takes the
// narrower of the level it is asked for and the widest level the machine runs
// (REGIONKIT_RUN). Every level gives the same bits: lanes are independent
// outputs, each computed exactly as the plain loop computes it. The table
// `levels` below is what detection, tests, benchmarks, REGIONKIT_ISA and the
// kernels' block shapes read.
//
//   level   x86-64                   arm64
//   scalar  one double at a time     one double at a time
//   v128    SSE2 (always present)    NEON/ASIMD (always present)
//   v256    AVX                      -
//   v512    AVX-512F                 -
//
// Wider levels need the operating system to save the wider registers too
// (XCR0), not only the processor to have the instructions.
#ifndef REGIONKIT_GATEWAY_ISA_H
#define REGIONKIT_GATEWAY_ISA_H

// The architecture decides which paths exist, whatever the compiler.
#if defined(__x86_64__) || defined(_M_X64)
#define REGIONKIT_X86_64 1
#elif defined(__aarch64__) || defined(_M_ARM64)
#define REGIONKIT_ARM64 1
#endif

// Code compiled for a wider x86 level than the build's baseline, to be chosen
// at run time:
//
//   REGIONKIT_V256_BEGIN  ...  REGIONKIT_TARGET_END
//
// Only the named set is enabled. AVX has no fused multiply-add (FMA is a set
// of its own, never enabled here), but AVX-512F has one, so in its region a
// compiler allowed to contract could fuse a multiply and the add that takes
// its product; the kernels write them as separate operations and the build
// forbids contraction. Visual C++ compiles the intrinsics of every level
// without any such marking.
#define REGIONKIT_PRAGMA(text) _Pragma(#text)
#if defined(REGIONKIT_X86_64) && defined(__clang__)
#define REGIONKIT_TARGET_BEGIN(set) \
    REGIONKIT_PRAGMA(clang attribute push(__attribute__((target(set))), apply_to = function))
#define REGIONKIT_TARGET_END REGIONKIT_PRAGMA(clang attribute pop)
#elif defined(REGIONKIT_X86_64) && defined(__GNUC__)
#define REGIONKIT_TARGET_BEGIN(set) REGIONKIT_PRAGMA(GCC push_options) REGIONKIT_PRAGMA(GCC target(set))
#define REGIONKIT_TARGET_END REGIONKIT_PRAGMA(GCC pop_options)
#else
#define REGIONKIT_TARGET_BEGIN(set)
#define REGIONKIT_TARGET_END
#endif
// Asks the compiler to unroll the next loop n times where it takes such a
// request; others decide for themselves.
#if defined(__clang__)
#define REGIONKIT_UNROLL(n) REGIONKIT_PRAGMA(unroll n)
#elif defined(__GNUC__)
#define REGIONKIT_UNROLL(n) REGIONKIT_PRAGMA(GCC unroll n)
#else
#define REGIONKIT_UNROLL(n)
#endif

#define REGIONKIT_V256_BEGIN REGIONKIT_TARGET_BEGIN("avx")
#define REGIONKIT_V512_BEGIN REGIONKIT_TARGET_BEGIN("avx512f")

namespace isa {

enum class Isa : int { scalar = 0, v128 = 1, v256 = 2, v512 = 3 };

// Each level's tag, the same on every architecture, whether it has the level
// or not.
inline constexpr const char* tags[] = {"scalar", "v128", "v256", "v512"};

// What the kernels need to know of a level: its instruction set's name, the
// doubles in one of its registers and how many registers the compiler has to
// keep them in. Block shapes are derived from width and registers, never
// keyed on the level itself.
struct Level {
    Isa isa;
    const char* name;  // scalar, sse2 or neon, avx, avx512
    int width;
    int registers;
};

// Every level this architecture has code for, narrowest first; entry k is the
// level Isa(k).
#if defined(REGIONKIT_X86_64)
inline constexpr Level levels[] = {{Isa::scalar, "scalar", 1, 16},
                                   {Isa::v128, "sse2", 2, 16},
                                   {Isa::v256, "avx", 4, 16},
                                   {Isa::v512, "avx512", 8, 32}};
#elif defined(REGIONKIT_ARM64)
inline constexpr Level levels[] = {{Isa::scalar, "scalar", 1, 32}, {Isa::v128, "neon", 2, 32}};
#else
inline constexpr Level levels[] = {{Isa::scalar, "scalar", 1, 16}};
#endif
inline constexpr int levelCount = static_cast<int>(sizeof(levels) / sizeof(levels[0]));

// The table's entry of a level this architecture has.
constexpr const Level& levelOf(Isa level) { return levels[static_cast<int>(level)]; }
constexpr int widthOf(Isa level) { return levelOf(level).width; }
constexpr int registersOf(Isa level) { return levelOf(level).registers; }

// The widest level of the table: its levels' widths are all divisors of this one's.
inline constexpr Isa widestCompiled = levels[levelCount - 1].isa;

// The widest level this machine runs. Found out once per process (the answer
// cannot change while it runs); safe to call from any number of threads.
Isa widest();

// The narrower of `asked` and widest(): the level a kernel asked for `asked`
// actually runs. Only a level choose() returned may be handed to
// REGIONKIT_RUN (lanes.h).
Isa choose(Isa asked);

// The level the kernels run by default: widest(). Test and benchmark builds
// (REGIONKIT_ISA_FROM_ENV) let the environment variable REGIONKIT_ISA narrow
// it, read on every call: a name of the table, or a tag (scalar, v128, v256,
// v512, on every architecture), narrowed by choose(). Any other value ends the
// program with a message naming the values it takes; unset or empty, the
// widest level. The plug-ins users load read no environment.
Isa preferred();

#if defined(REGIONKIT_X86_64)
// What an x86-64 processor and its operating system answer when asked which
// levels they run: CPUID leaf 1's ECX (AVX, and OSXSAVE: the OS has enabled
// XGETBV), leaf 7's EBX (AVX-512F; 0 on a processor without leaf 7) and XCR0,
// the register state the OS saves on a switch (0 when OSXSAVE is clear, as it
// is then never read).
struct ProcessorAnswers {
    unsigned leaf1Ecx;
    unsigned leaf7Ebx;
    unsigned long long savedState;
};

// The widest level a machine giving these answers runs: widest() is this of
// the running machine's answers.
Isa widestFor(const ProcessorAnswers& answers);
#endif

// Every level this machine runs, narrowest first, for tests and benchmarks.
int available(Isa (&found)[levelCount]);

// The level's instruction set: "scalar", "sse2" or "neon", "avx", "avx512".
const char* name(Isa level);

}  // namespace isa

#endif
