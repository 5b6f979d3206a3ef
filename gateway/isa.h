// The vector instruction sets the kernels are written for, and the one place
// that says which of them this processor and operating system can run.
//
// Every kernel with vector paths is written once over isa::Lanes (lanes.h)
// and compiled once per level; at run time it takes the narrower of the level
// it is asked for and the widest level the machine runs. Every level gives the
// same bits: lanes are independent outputs, each computed exactly as the plain
// loop computes it.
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
// Only the named set is enabled, never FMA: a fused multiply-add rounds once
// where the documented arithmetic rounds twice. Visual C++ compiles the
// intrinsics of every level without any such marking.
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

// The widest level this machine runs. Found out once per process (the answer
// cannot change while it runs); safe to call from any number of threads.
Isa widest();

// The narrower of `asked` and widest(): the level a kernel asked for `asked`
// actually runs.
Isa choose(Isa asked);

// The level the kernels run by default: widest(). Test and benchmark builds
// (REGIONKIT_ISA_FROM_ENV) let the environment variable REGIONKIT_ISA
// (scalar, v128, v256 or v512) narrow it, read on every call; the plug-ins
// users load read no environment.
Isa preferred();

// Every level this machine runs, narrowest first, for tests and benchmarks.
int available(Isa (&levels)[4]);

// "scalar", "sse2" or "neon", "avx", "avx512".
const char* name(Isa level);

}  // namespace isa

#endif
