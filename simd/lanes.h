// W doubles at once, the same operations at every level (isa.h), so that a
// kernel body is written once, over a type L = isa::Lanes<level>:
//
//   L::V, L::W            a register of W doubles
//   L::M                  a lane mask, from less()
//   zero(), splat(x)      every lane 0.0 / x
//   load(p), store(p, v)  W doubles at p, no alignment needed
//   broadcast(p)          every lane *p
//   add, sub, mul, div, sqrt
//                         lane by lane, each rounded once as IEEE says; a
//                         multiply and an add stay two roundings as long as
//                         the compiler does not contract them (the build
//                         forbids it)
//   min(a, b)             a < b ? a : b   (b on ties, on -0/+0 and on NaN)
//   max(a, b)             a > b ? a : b   (likewise b)
//   less(a, b)            mask of a < b   (false on NaN)
//   lessEqual(a, b)       mask of a <= b  (false on NaN)
//   equal(a, b)           mask of a == b  (false on NaN)
//   both(m, n), either(m, n)
//                         masks and'ed / or'ed lane by lane
//   all(m)                whether every lane of m is set
//   select(m, x, y)       m ? x : y, lane by lane
//   anyEqual(a, b)        whether a == b in some lane
//   truncate(v, out)      the W lanes truncated toward zero to 32-bit integers
//                         at out (no alignment needed); a lane with no such
//                         integer (NaN, infinite, out of range) stores some
//                         value, the same at every call
//   transpose(v)          W registers of W lanes turned over: lane l of
//                         register r becomes lane r of register l
//
// Beside them, for one double at any level: truncatedOrLeast(x), x truncated
// toward zero to a 32-bit integer, or INT32_MIN when it has none.
//
// The x86 wider levels are defined inside their target regions, so they may be
// used only from code compiled for the same level (see eachIsa.inc).
#ifndef REGIONKIT_GATEWAY_LANES_H
#define REGIONKIT_GATEWAY_LANES_H

#include "int32Range.h"
#include "isa.h"

#include <cmath>
#include <cstdint>

#if defined(REGIONKIT_X86_64)
// GCC 12 warns, wherever an AVX-512 intrinsic is inlined, about a deliberately
// undefined register inside its own header.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#elif defined(REGIONKIT_ARM64)
#include <arm_neon.h>
#endif

namespace isa {

// x truncated toward zero to a signed 32-bit integer, or INT32_MIN when it has
// none (NaN, infinite, out of range): what the x86 conversion gives, spelled
// out for other processors.
inline std::int32_t truncatedOrLeast(double x) {
#if defined(REGIONKIT_X86_64)
    return _mm_cvttsd_si32(_mm_set_sd(x));
#else
    return truncatesToInt32(x) ? static_cast<std::int32_t>(x) : INT32_MIN;
#endif
}

template <Isa level>
struct Lanes;

template <>
struct Lanes<Isa::scalar> {
    using V = double;
    using M = bool;
    static constexpr int W = 1;
    static constexpr Isa level = Isa::scalar;
    static V zero() { return 0.0; }
    static V splat(double x) { return x; }
    static V load(const double* p) { return *p; }
    static void store(double* p, V v) { *p = v; }
    static V broadcast(const double* p) { return *p; }
    static V add(V a, V b) { return a + b; }
    static V sub(V a, V b) { return a - b; }
    static V mul(V a, V b) { return a * b; }
    static V div(V a, V b) { return a / b; }
    static V sqrt(V a) { return std::sqrt(a); }
    static V min(V a, V b) { return a < b ? a : b; }
    static V max(V a, V b) { return a > b ? a : b; }
    static M less(V a, V b) { return a < b; }
    static M lessEqual(V a, V b) { return a <= b; }
    static M equal(V a, V b) { return a == b; }
    static M both(M m, M n) { return m && n; }
    static M either(M m, M n) { return m || n; }
    static bool all(M m) { return m; }
    static V select(M m, V x, V y) { return m ? x : y; }
    static bool anyEqual(V a, V b) { return a == b; }
    static void truncate(V v, std::int32_t* out) { *out = truncatedOrLeast(v); }
    static void transpose(V (&)[1]) {}
};

#if defined(REGIONKIT_X86_64)

template <>
struct Lanes<Isa::v128> {
    using V = __m128d;
    using M = __m128d;
    static constexpr int W = 2;
    static constexpr Isa level = Isa::v128;
    static V zero() { return _mm_setzero_pd(); }
    static V splat(double x) { return _mm_set1_pd(x); }
    static V load(const double* p) { return _mm_loadu_pd(p); }
    static void store(double* p, V v) { _mm_storeu_pd(p, v); }
    static V broadcast(const double* p) { return _mm_load1_pd(p); }
    static V add(V a, V b) { return _mm_add_pd(a, b); }
    static V sub(V a, V b) { return _mm_sub_pd(a, b); }
    static V mul(V a, V b) { return _mm_mul_pd(a, b); }
    static V div(V a, V b) { return _mm_div_pd(a, b); }
    static V sqrt(V a) { return _mm_sqrt_pd(a); }
    static V min(V a, V b) { return _mm_min_pd(a, b); }
    static V max(V a, V b) { return _mm_max_pd(a, b); }
    static M less(V a, V b) { return _mm_cmplt_pd(a, b); }
    static M lessEqual(V a, V b) { return _mm_cmple_pd(a, b); }
    static M equal(V a, V b) { return _mm_cmpeq_pd(a, b); }
    static M both(M m, M n) { return _mm_and_pd(m, n); }
    static M either(M m, M n) { return _mm_or_pd(m, n); }
    static bool all(M m) { return _mm_movemask_pd(m) == 0x3; }
    static V select(M m, V x, V y) { return _mm_or_pd(_mm_and_pd(m, x), _mm_andnot_pd(m, y)); }
    static bool anyEqual(V a, V b) { return _mm_movemask_pd(_mm_cmpeq_pd(a, b)) != 0; }
    static void truncate(V v, std::int32_t* out) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_cvttpd_epi32(v));
    }
    static void transpose(V (&v)[2]) {
        const V a = v[0], b = v[1];
        v[0] = _mm_unpacklo_pd(a, b);
        v[1] = _mm_unpackhi_pd(a, b);
    }
};

REGIONKIT_V256_BEGIN
template <>
struct Lanes<Isa::v256> {
    using V = __m256d;
    using M = __m256d;
    static constexpr int W = 4;
    static constexpr Isa level = Isa::v256;
    static V zero() { return _mm256_setzero_pd(); }
    static V splat(double x) { return _mm256_set1_pd(x); }
    static V load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(double* p, V v) { _mm256_storeu_pd(p, v); }
    static V broadcast(const double* p) { return _mm256_broadcast_sd(p); }
    static V add(V a, V b) { return _mm256_add_pd(a, b); }
    static V sub(V a, V b) { return _mm256_sub_pd(a, b); }
    static V mul(V a, V b) { return _mm256_mul_pd(a, b); }
    static V div(V a, V b) { return _mm256_div_pd(a, b); }
    static V sqrt(V a) { return _mm256_sqrt_pd(a); }
    static V min(V a, V b) { return _mm256_min_pd(a, b); }
    static V max(V a, V b) { return _mm256_max_pd(a, b); }
    static M less(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static M lessEqual(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
    static M equal(V a, V b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static M both(M m, M n) { return _mm256_and_pd(m, n); }
    static M either(M m, M n) { return _mm256_or_pd(m, n); }
    static bool all(M m) { return _mm256_movemask_pd(m) == 0xF; }
    static V select(M m, V x, V y) { return _mm256_blendv_pd(y, x, m); }
    static bool anyEqual(V a, V b) { return _mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_EQ_OQ)) != 0; }
    static void truncate(V v, std::int32_t* out) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_cvttpd_epi32(v));
    }
    static void transpose(V (&v)[4]) {
        // (a0 b0 a2 b2), (a1 b1 a3 b3), (c0 d0 c2 d2), (c1 d1 c3 d3)
        const V ab0 = _mm256_unpacklo_pd(v[0], v[1]), ab1 = _mm256_unpackhi_pd(v[0], v[1]);
        const V cd0 = _mm256_unpacklo_pd(v[2], v[3]), cd1 = _mm256_unpackhi_pd(v[2], v[3]);
        v[0] = _mm256_permute2f128_pd(ab0, cd0, 0x20);
        v[1] = _mm256_permute2f128_pd(ab1, cd1, 0x20);
        v[2] = _mm256_permute2f128_pd(ab0, cd0, 0x31);
        v[3] = _mm256_permute2f128_pd(ab1, cd1, 0x31);
    }
};
REGIONKIT_TARGET_END

REGIONKIT_V512_BEGIN
template <>
struct Lanes<Isa::v512> {
    using V = __m512d;
    using M = __mmask8;
    static constexpr int W = 8;
    static constexpr Isa level = Isa::v512;
    static V zero() { return _mm512_setzero_pd(); }
    static V splat(double x) { return _mm512_set1_pd(x); }
    static V load(const double* p) { return _mm512_loadu_pd(p); }
    static void store(double* p, V v) { _mm512_storeu_pd(p, v); }
    static V broadcast(const double* p) { return _mm512_set1_pd(*p); }
    static V add(V a, V b) { return _mm512_add_pd(a, b); }
    static V sub(V a, V b) { return _mm512_sub_pd(a, b); }
    static V mul(V a, V b) { return _mm512_mul_pd(a, b); }
    static V div(V a, V b) { return _mm512_div_pd(a, b); }
    static V sqrt(V a) { return _mm512_sqrt_pd(a); }
    static V min(V a, V b) { return _mm512_min_pd(a, b); }
    static V max(V a, V b) { return _mm512_max_pd(a, b); }
    static M less(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static M lessEqual(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }
    static M equal(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static M both(M m, M n) { return static_cast<M>(m & n); }
    static M either(M m, M n) { return static_cast<M>(m | n); }
    static bool all(M m) { return m == 0xFF; }
    static V select(M m, V x, V y) { return _mm512_mask_blend_pd(m, y, x); }
    static bool anyEqual(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ) != 0; }
    static void truncate(V v, std::int32_t* out) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_cvttpd_epi32(v));
    }
    static void transpose(V (&v)[8]) {
        // Pairs, then pairs of pairs, then halves: three rounds of shuffles.
        V t[8];
        for (int k = 0; k < 8; k += 2) {
            t[k] = _mm512_unpacklo_pd(v[k], v[k + 1]);
            t[k + 1] = _mm512_unpackhi_pd(v[k], v[k + 1]);
        }
        const __m512i lo = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
        const __m512i hi = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
        V u[8];
        for (int k = 0; k < 8; k += 4)
            for (int q = 0; q < 2; ++q) {
                u[k + q] = _mm512_permutex2var_pd(t[k + q], lo, t[k + q + 2]);
                u[k + q + 2] = _mm512_permutex2var_pd(t[k + q], hi, t[k + q + 2]);
            }
        const __m512i low4 = _mm512_set_epi64(11, 10, 9, 8, 3, 2, 1, 0);
        const __m512i high4 = _mm512_set_epi64(15, 14, 13, 12, 7, 6, 5, 4);
        for (int q = 0; q < 4; ++q) {
            v[q] = _mm512_permutex2var_pd(u[q], low4, u[q + 4]);
            v[q + 4] = _mm512_permutex2var_pd(u[q], high4, u[q + 4]);
        }
    }
};
REGIONKIT_TARGET_END

#elif defined(REGIONKIT_ARM64)

// NEON's own vminq/vmaxq give NaN when either lane is NaN; min and max here
// keep the x86 rule (the second operand unless the strict comparison holds),
// which is what the scalar code does.
template <>
struct Lanes<Isa::v128> {
    using V = float64x2_t;
    using M = uint64x2_t;
    static constexpr int W = 2;
    static constexpr Isa level = Isa::v128;
    static V zero() { return vdupq_n_f64(0.0); }
    static V splat(double x) { return vdupq_n_f64(x); }
    static V load(const double* p) { return vld1q_f64(p); }
    static void store(double* p, V v) { vst1q_f64(p, v); }
    static V broadcast(const double* p) { return vld1q_dup_f64(p); }
    static V add(V a, V b) { return vaddq_f64(a, b); }
    static V sub(V a, V b) { return vsubq_f64(a, b); }
    static V mul(V a, V b) { return vmulq_f64(a, b); }
    static V div(V a, V b) { return vdivq_f64(a, b); }
    static V sqrt(V a) { return vsqrtq_f64(a); }
    static V min(V a, V b) { return vbslq_f64(vcltq_f64(a, b), a, b); }
    static V max(V a, V b) { return vbslq_f64(vcgtq_f64(a, b), a, b); }
    static M less(V a, V b) { return vcltq_f64(a, b); }
    static M lessEqual(V a, V b) { return vcleq_f64(a, b); }
    static M equal(V a, V b) { return vceqq_f64(a, b); }
    static M both(M m, M n) { return vandq_u64(m, n); }
    static M either(M m, M n) { return vorrq_u64(m, n); }
    static bool all(M m) { return (vgetq_lane_u64(m, 0) & vgetq_lane_u64(m, 1)) != 0; }
    static V select(M m, V x, V y) { return vbslq_f64(m, x, y); }
    static bool anyEqual(V a, V b) {
        const M equal = vceqq_f64(a, b);
        return (vgetq_lane_u64(equal, 0) | vgetq_lane_u64(equal, 1)) != 0;
    }
    static void transpose(V (&v)[2]) {
        const V a = v[0], b = v[1];
        v[0] = vzip1q_f64(a, b);
        v[1] = vzip2q_f64(a, b);
    }
    // To 64 bits, then narrowed with saturation, so that no value outside the
    // 32-bit range lands inside it.
    static void truncate(V v, std::int32_t* out) { vst1_s32(out, vqmovn_s64(vcvtq_s64_f64(v))); }
};

#endif

}  // namespace isa

// The value of path_<level>::call (see eachIsa.inc) for the level `run`, an
// expression: `run` must be a level isa::choose() returned (the machine runs
// it) and is read more than once. Levels this architecture lacks are never
// chosen, so they are not compiled in.
#if defined(REGIONKIT_X86_64)
#define REGIONKIT_RUN(run, call)                 \
    ((run) == ::isa::Isa::v512   ? path_v512::call \
     : (run) == ::isa::Isa::v256 ? path_v256::call \
     : (run) == ::isa::Isa::v128 ? path_v128::call \
                                 : REGIONKIT_SCALAR_CALL(call))
#elif defined(REGIONKIT_ARM64)
#define REGIONKIT_RUN(run, call) ((run) == ::isa::Isa::v128 ? path_v128::call : REGIONKIT_SCALAR_CALL(call))
#else
#define REGIONKIT_RUN(run, call) REGIONKIT_SCALAR_CALL(call)
#endif
// The scalar level's call, REGIONKIT_SCALAR_CALL(call), is the body's own copy
// (eachIsa.inc defines it) or, with REGIONKIT_BODY_VECTOR_ONLY, the kernel's:
// an expression of the same type as the vector paths' calls.

#endif
