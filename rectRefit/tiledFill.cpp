#include "exactArithmetic.h"

#include "tiledFill.h"

#include "lanes.h"

#include <cstddef>

namespace {

// A tile is tileRows rows by tileCols columns: its reads touch tileCols
// columns, its writes tileRows rows, few enough to stay in cache. Both are
// multiples of every block size (a level's width).
constexpr std::int32_t tileRows = 8;
constexpr std::int32_t tileCols = 256;
static_assert(tileRows % isa::widthOf(isa::widestCompiled) == 0 && tileCols % tileRows == 0,
              "a tile must hold whole blocks of every level");

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

#define REGIONKIT_BODY "tiledFillBody.inc"
#include "eachIsa.inc"
#undef REGIONKIT_BODY

// Copies the whole blocks, as wide as the level `run`, tile by tile.
void copyTiles(isa::Isa run, double* const* table, std::size_t stride, const double* data,
               std::int32_t blockRows, std::int32_t blockCols) {
    for (std::int32_t i = 0; i < blockRows; i += tileRows) {
        const std::int32_t endRow = blockRows - i < tileRows ? blockRows : i + tileRows;
        for (std::int32_t j = 0; j < blockCols; j += tileCols) {
            const std::int32_t endCol = blockCols - j < tileCols ? blockCols : j + tileCols;
            REGIONKIT_RUN(run, copyBlocks(table, stride, data, {i, endRow, j, endCol}));
        }
    }
}

}  // namespace

void fillRowTableTiledOn(isa::Isa level, double* const* table, std::int32_t rows, std::int32_t cols,
                         const double* data, std::size_t stride) {
    const isa::Isa run = isa::choose(level);
    const std::int32_t block = isa::widthOf(run);
    // The whole blocks tile by tile, then the last rows and columns that do not fill a block.
    const std::int32_t blockRows = rows - rows % block, blockCols = cols - cols % block;
    copyTiles(run, table, stride, data, blockRows, blockCols);
    copyPlain(table, stride, data, {0, blockRows, blockCols, cols});
    copyPlain(table, stride, data, {blockRows, rows, 0, cols});
}

void fillRowTableTiled(double* const* table, std::int32_t rows, std::int32_t cols, const double* data,
                       std::size_t stride) {
    fillRowTableTiledOn(isa::preferred(), table, rows, cols, data, stride);
}
