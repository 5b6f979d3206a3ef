// Keeps the floating-point arithmetic of a source exactly as written, whatever
// flags the source is compiled with. Every source that computes, compares or
// converts floating-point values includes this file first, before any other
// header, so that every function it defines or inlines is covered.
//
// Every result is fixed to the bit on every level and platform. That holds
// only if each multiply and each add rounds on its own: a compiler that
// contracts a * b + c into one fused multiply-add rounds once instead of
// twice, and does so on some levels and not others (GCC contracts by default,
// inside AVX-512 code and everywhere on arm64). So contraction is switched off
// here, in each compiler's own form, and fast-math is refused outright: it
// reassociates sums and drops NaN and signed-zero handling, which no pragma
// can take back.
//
// One gap is left: clang, asked explicitly for -ffp-contract=fast, contracts
// in its back end and disregards these pragmas, and says so nowhere a source
// can see. Its default contraction (within one expression) is switched off
// here. The build and buildMex pass -ffp-contract=off as well, and
// regionkitSelfTest finds a build that contracted anyway.
#ifndef REGIONKIT_GATEWAY_EXACT_ARITHMETIC_H
#define REGIONKIT_GATEWAY_EXACT_ARITHMETIC_H

#if defined(__FAST_MATH__)
#error "regionkit must not be compiled with -ffast-math or -Ofast: results would no longer be exact"
#endif
#if defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__
#error "regionkit must not be compiled with -ffinite-math-only: NaN and infinity are valid inputs"
#endif
#if defined(_M_FP_FAST)
#error "regionkit must not be compiled with /fp:fast: results would no longer be exact"
#endif
// x87 arithmetic keeps intermediate results in extended precision, so they
// would round differently from SSE2, NEON or any vector level.
#if defined(__FLT_EVAL_METHOD__) && __FLT_EVAL_METHOD__ != 0
#error "regionkit needs floating-point expressions evaluated in their own type (SSE2 on x86, not x87)"
#endif

#if defined(__clang__)
// At file scope it holds for the rest of the source, including functions
// inside `#pragma clang attribute` target regions.
#pragma clang fp contract(off)
#elif defined(__GNUC__)
// Becomes part of every function defined after this point; GCC keeps it
// across `#pragma GCC target` regions (push_options and pop_options save and
// restore it along with the target).
#pragma GCC optimize("fp-contract=off")
#elif defined(_MSC_VER)
#pragma fp_contract(off)
#else
#pragma STDC FP_CONTRACT OFF
#endif

#endif
