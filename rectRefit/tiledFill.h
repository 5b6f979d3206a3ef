// Copying a large column-major matrix into a row table a tile at a time.
#ifndef REGIONKIT_RECTREFIT_TILEDFILL_H
#define REGIONKIT_RECTREFIT_TILEDFILL_H

#include "isa.h"

#include <cstddef>
#include <cstdint>

// Sets table[i][j] = data[i + j * stride] for every i < rows, j < cols (stride,
// the host matrix's own row count, at least rows): the same table a row-by-row
// copy of the leading rows x cols block makes. Row by row, each element read lies a whole
// column away from the last; here the matrix is copied in small square blocks
// turned over in registers, a tile of neighbouring blocks at a time, so reads
// take runs of a column and writes runs of a row.
void fillRowTableTiled(double* const* table, std::int32_t rows, std::int32_t cols, const double* data,
                       std::size_t stride);

// fillRowTableTiled at a given vector level (the narrower of it and what the
// processor runs), in blocks of 1, 2, 4 or 8; every level makes the same
// table. Exposed so tests can check each one.
void fillRowTableTiledOn(isa::Isa level, double* const* table, std::int32_t rows, std::int32_t cols,
                         const double* data, std::size_t stride);

#endif
