// Compiling a stretch of code for a wider instruction set than the build's
// baseline, to be chosen at run time where the processor has it:
//
//   REGIONKIT_TARGET_BEGIN("avx2")
//   namespace avx2 { ... }
//   REGIONKIT_TARGET_END
//
// Only the named set is enabled, never FMA: a fused multiply-add rounds once
// where the documented arithmetic rounds twice.
#ifndef REGIONKIT_GATEWAY_INSTRUCTIONSET_H
#define REGIONKIT_GATEWAY_INSTRUCTIONSET_H

#define REGIONKIT_PRAGMA(text) _Pragma(#text)

#if defined(__clang__)
#define REGIONKIT_TARGET_BEGIN(isa) \
    REGIONKIT_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define REGIONKIT_TARGET_END REGIONKIT_PRAGMA(clang attribute pop)
#else
#define REGIONKIT_TARGET_BEGIN(isa) REGIONKIT_PRAGMA(GCC push_options) REGIONKIT_PRAGMA(GCC target(isa))
#define REGIONKIT_TARGET_END REGIONKIT_PRAGMA(GCC pop_options)
#endif

#endif
