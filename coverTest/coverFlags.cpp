#include "coverFlags.h"

#include <cstddef>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define REGIONKIT_COVER_X86 1
#endif

namespace {

// The flag of one pair, from the region box's x, y, inclusive right and
// bottom edges and area, and the box's x, y and inclusive edges. Each
// comparison is strict, so equal values and NaN take the box's side.
inline double flagOf(double ax, double ay, double ra, double da, double area, double bx, double by, double rb,
                     double db) {
    const double left = ax > bx ? ax : bx;
    const double top = ay > by ? ay : by;
    const double right = rb > ra ? ra : rb;
    const double bottom = db > da ? da : db;
    double iw = (right - left) + 1.0;
    if (0.0 > iw) iw = 0.0;
    double ih = (bottom - top) + 1.0;
    if (0.0 > ih) ih = 0.0;
    const double ratio = (ih * iw) / area;
    return ratio > coverShare ? 1.0 : 0.0;
}

// Boxes are taken a block at a time, their x, y and edges copied into local
// arrays, so that for each region box the block's flags are computed side by
// side and written to one contiguous stretch of the region box's column.
constexpr std::int32_t blockSize = 256;

struct BoxBlock {
    alignas(32) double x[blockSize];
    alignas(32) double y[blockSize];
    alignas(32) double right[blockSize];
    alignas(32) double bottom[blockSize];
    std::int32_t count;
};

void loadBlock(const double* const* boxes, std::int32_t first, std::int32_t count, BoxBlock& b) {
    b.count = count;
    for (std::int32_t k = 0; k < count; ++k) {
        const double* box = boxes[first + k];
        b.x[k] = box[0];
        b.y[k] = box[1];
        b.right[k] = (box[0] + box[2]) - 1.0;
        b.bottom[k] = (box[1] + box[3]) - 1.0;
    }
}

struct RegionBox {
    double x, y, right, bottom, area;
};

RegionBox regionBox(const double* a) {
    return {a[0], a[1], (a[0] + a[2]) - 1.0, (a[1] + a[3]) - 1.0, a[3] * a[2]};
}

// Flags of boxes from..count-1 of the block against one region box.
inline void plainRun(const RegionBox& a, const BoxBlock& b, std::int32_t from, double* out) {
    for (std::int32_t k = from; k < b.count; ++k)
        out[k] = flagOf(a.x, a.y, a.right, a.bottom, a.area, b.x[k], b.y[k], b.right[k], b.bottom[k]);
}

void plainBlock(const RegionBox& a, const BoxBlock& b, double* out) { plainRun(a, b, 0, out); }

#ifdef REGIONKIT_COVER_X86
// Lane for lane the same operations as flagOf: maxpd(p, q) is p > q ? p : q
// and minpd(p, q) is p < q ? p : q, NaN and equal operands giving q, and
// "0 > iw" clears the lane to +0.0 exactly where flagOf sets iw = 0.0.
void sse2Block(const RegionBox& a, const BoxBlock& b, double* out) {
    const __m128d ax = _mm_set1_pd(a.x), ay = _mm_set1_pd(a.y), ra = _mm_set1_pd(a.right),
                  da = _mm_set1_pd(a.bottom), area = _mm_set1_pd(a.area);
    const __m128d one = _mm_set1_pd(1.0), zero = _mm_setzero_pd(), share = _mm_set1_pd(coverShare);
    std::int32_t k = 0;
    for (; k + 2 <= b.count; k += 2) {
        const __m128d left = _mm_max_pd(ax, _mm_load_pd(b.x + k));
        const __m128d top = _mm_max_pd(ay, _mm_load_pd(b.y + k));
        const __m128d right = _mm_min_pd(ra, _mm_load_pd(b.right + k));
        const __m128d bottom = _mm_min_pd(da, _mm_load_pd(b.bottom + k));
        __m128d iw = _mm_add_pd(_mm_sub_pd(right, left), one);
        iw = _mm_andnot_pd(_mm_cmplt_pd(iw, zero), iw);
        __m128d ih = _mm_add_pd(_mm_sub_pd(bottom, top), one);
        ih = _mm_andnot_pd(_mm_cmplt_pd(ih, zero), ih);
        const __m128d ratio = _mm_div_pd(_mm_mul_pd(ih, iw), area);
        _mm_storeu_pd(out + k, _mm_and_pd(_mm_cmpgt_pd(ratio, share), one));
    }
    plainRun(a, b, k, out);
}

__attribute__((target("avx"))) void avxBlock(const RegionBox& a, const BoxBlock& b, double* out) {
    const __m256d ax = _mm256_set1_pd(a.x), ay = _mm256_set1_pd(a.y), ra = _mm256_set1_pd(a.right),
                  da = _mm256_set1_pd(a.bottom), area = _mm256_set1_pd(a.area);
    const __m256d one = _mm256_set1_pd(1.0), zero = _mm256_setzero_pd(), share = _mm256_set1_pd(coverShare);
    std::int32_t k = 0;
    for (; k + 4 <= b.count; k += 4) {
        const __m256d left = _mm256_max_pd(ax, _mm256_load_pd(b.x + k));
        const __m256d top = _mm256_max_pd(ay, _mm256_load_pd(b.y + k));
        const __m256d right = _mm256_min_pd(ra, _mm256_load_pd(b.right + k));
        const __m256d bottom = _mm256_min_pd(da, _mm256_load_pd(b.bottom + k));
        __m256d iw = _mm256_add_pd(_mm256_sub_pd(right, left), one);
        iw = _mm256_andnot_pd(_mm256_cmp_pd(iw, zero, _CMP_LT_OQ), iw);
        __m256d ih = _mm256_add_pd(_mm256_sub_pd(bottom, top), one);
        ih = _mm256_andnot_pd(_mm256_cmp_pd(ih, zero, _CMP_LT_OQ), ih);
        const __m256d ratio = _mm256_div_pd(_mm256_mul_pd(ih, iw), area);
        _mm256_storeu_pd(out + k, _mm256_and_pd(_mm256_cmp_pd(ratio, share, _CMP_GT_OQ), one));
    }
    plainRun(a, b, k, out);
}
#endif

using BlockRoutine = void (*)(const RegionBox&, const BoxBlock&, double*);

CoverPath bestPath() {
#ifdef REGIONKIT_COVER_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx")) return CoverPath::avx;
    return CoverPath::sse2;
#else
    return CoverPath::plain;
#endif
}

// A path the processor lacks falls back to the plain one.
BlockRoutine routineFor(CoverPath path) {
#ifdef REGIONKIT_COVER_X86
    if (path == CoverPath::avx && bestPath() == CoverPath::avx) return avxBlock;
    if (path == CoverPath::sse2) return sse2Block;
#endif
    (void)path;
    return plainBlock;
}

}  // namespace

double coverFlag(const double* region, const double* box) {
    const RegionBox a = regionBox(region);
    return flagOf(a.x, a.y, a.right, a.bottom, a.area, box[0], box[1], (box[0] + box[2]) - 1.0,
                  (box[1] + box[3]) - 1.0);
}

bool coverPathAvailable(CoverPath path) {
    switch (path) {
    case CoverPath::plain: return true;
    case CoverPath::sse2: return bestPath() != CoverPath::plain;
    case CoverPath::avx: return bestPath() == CoverPath::avx;
    }
    return false;
}

void coverFlagsOn(CoverPath path, const double* const* regions, std::int32_t regionCount, const double* const* boxes,
                  std::int32_t boxCount, double* flags) {
    if (boxCount <= 0 || regionCount <= 0) return;
    const BlockRoutine run = routineFor(path);
    const auto stride = static_cast<std::size_t>(boxCount);
    BoxBlock block;
    for (std::int32_t first = 0; first < boxCount; first += blockSize) {
        const std::int32_t count = boxCount - first < blockSize ? boxCount - first : blockSize;
        loadBlock(boxes, first, count, block);
        double* out = flags + first;
        for (std::int32_t t = 0; t < regionCount; ++t)
            run(regionBox(regions[t]), block, out + static_cast<std::size_t>(t) * stride);
    }
}

void coverFlags(const double* const* regions, std::int32_t regionCount, const double* const* boxes,
                std::int32_t boxCount, double* flags) {
    coverFlagsOn(bestPath(), regions, regionCount, boxes, boxCount, flags);
}
