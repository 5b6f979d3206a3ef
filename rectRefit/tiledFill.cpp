#include "tiledFill.h"

#include <cstddef>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define REGIONKIT_FILL_X86 1
#endif

namespace {

// A tile is tileRows rows by tileCols columns: its reads touch tileCols
// columns, its writes tileRows rows, few enough to stay in cache. Both are
// multiples of every block size.
constexpr std::int32_t tileRows = 8;
constexpr std::int32_t tileCols = 256;

struct Span {
    std::int32_t firstRow, endRow, firstCol, endCol;
};

void copyPlain(double* const* table, std::size_t stride, const double* data, Span s) {
    for (std::int32_t i = s.firstRow; i < s.endRow; ++i) {
        double* row = table[i];
        const double* source = data + i;
        for (std::int32_t j = s.firstCol; j < s.endCol; ++j) row[j] = source[static_cast<std::size_t>(j) * stride];
    }
}

#ifdef REGIONKIT_FILL_X86
// 2 x 2 blocks: two column pairs in, two row pairs out.
void copySse2(double* const* table, std::size_t stride, const double* data, Span s) {
    for (std::int32_t i = s.firstRow; i < s.endRow; i += 2) {
        double* r0 = table[i];
        double* r1 = table[i + 1];
        const double* source = data + i;
        for (std::int32_t j = s.firstCol; j < s.endCol; j += 2) {
            const double* c0 = source + static_cast<std::size_t>(j) * stride;
            const __m128d a = _mm_loadu_pd(c0), b = _mm_loadu_pd(c0 + stride);
            _mm_storeu_pd(r0 + j, _mm_unpacklo_pd(a, b));
            _mm_storeu_pd(r1 + j, _mm_unpackhi_pd(a, b));
        }
    }
}

// 4 x 4 blocks: four runs of four down the columns in, four along the rows out.
__attribute__((target("avx"))) void copyAvx(double* const* table, std::size_t stride, const double* data, Span s) {
    for (std::int32_t i = s.firstRow; i < s.endRow; i += 4) {
        double* r0 = table[i];
        double* r1 = table[i + 1];
        double* r2 = table[i + 2];
        double* r3 = table[i + 3];
        const double* source = data + i;
        for (std::int32_t j = s.firstCol; j < s.endCol; j += 4) {
            const double* c0 = source + static_cast<std::size_t>(j) * stride;
            const __m256d a = _mm256_loadu_pd(c0), b = _mm256_loadu_pd(c0 + stride),
                          c = _mm256_loadu_pd(c0 + 2 * stride), d = _mm256_loadu_pd(c0 + 3 * stride);
            // (a0 b0 a2 b2), (a1 b1 a3 b3), (c0 d0 c2 d2), (c1 d1 c3 d3)
            const __m256d ab0 = _mm256_unpacklo_pd(a, b), ab1 = _mm256_unpackhi_pd(a, b);
            const __m256d cd0 = _mm256_unpacklo_pd(c, d), cd1 = _mm256_unpackhi_pd(c, d);
            _mm256_storeu_pd(r0 + j, _mm256_permute2f128_pd(ab0, cd0, 0x20));
            _mm256_storeu_pd(r1 + j, _mm256_permute2f128_pd(ab1, cd1, 0x20));
            _mm256_storeu_pd(r2 + j, _mm256_permute2f128_pd(ab0, cd0, 0x31));
            _mm256_storeu_pd(r3 + j, _mm256_permute2f128_pd(ab1, cd1, 0x31));
        }
    }
}
#endif

bool hasAvx() {
#ifdef REGIONKIT_FILL_X86
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
#else
    return false;
#endif
}

}  // namespace

bool fillPathAvailable(FillPath path) {
#ifdef REGIONKIT_FILL_X86
    return path != FillPath::avx || hasAvx();
#else
    return path == FillPath::plain;
#endif
}

void fillRowTableTiledOn(FillPath path, double* const* table, std::int32_t rows, std::int32_t cols,
                         const double* data, std::size_t stride) {
    using Copy = void (*)(double* const*, std::size_t, const double*, Span);
    Copy copy = copyPlain;
    std::int32_t block = 1;
#ifdef REGIONKIT_FILL_X86
    if (path == FillPath::avx && hasAvx()) {
        copy = copyAvx;
        block = 4;
    } else if (path != FillPath::plain) {
        copy = copySse2;
        block = 2;
    }
#endif
    (void)path;
    // The whole blocks tile by tile, then the last rows and columns that do not fill a block.
    const std::int32_t blockRows = rows - rows % block, blockCols = cols - cols % block;
    for (std::int32_t i = 0; i < blockRows; i += tileRows) {
        const std::int32_t endRow = blockRows - i < tileRows ? blockRows : i + tileRows;
        for (std::int32_t j = 0; j < blockCols; j += tileCols) {
            const std::int32_t endCol = blockCols - j < tileCols ? blockCols : j + tileCols;
            copy(table, stride, data, {i, endRow, j, endCol});
        }
    }
    copyPlain(table, stride, data, {0, blockRows, blockCols, cols});
    copyPlain(table, stride, data, {blockRows, rows, 0, cols});
}

void fillRowTableTiled(double* const* table, std::int32_t rows, std::int32_t cols, const double* data,
                       std::size_t stride) {
    fillRowTableTiledOn(hasAvx() ? FillPath::avx : FillPath::sse2, table, rows, cols, data, stride);
}
