#include "rowTable.h"

#include "allocation.h"

#include <cstddef>

namespace gateway {

RowTable allocRowTable(std::int32_t rows, std::int32_t cols) {
    if (rows < 0 || cols < 0) return nullptr;
    // Rows of no elements need no blocks: they stay null, and the zero-filled
    // pointer table costs nothing until touched, however many rows an empty
    // matrix claims.
    if (cols == 0) return static_cast<RowTable>(allocateZeroed(static_cast<std::size_t>(rows), sizeof(double*)));
    auto table = static_cast<RowTable>(allocate(static_cast<std::size_t>(rows) * sizeof(double*)));
    if (table == nullptr) return nullptr;
    for (std::int32_t i = 0; i < rows; ++i) {
        table[i] = static_cast<double*>(allocate(static_cast<std::size_t>(cols) * sizeof(double)));
        if (table[i] == nullptr) {
            freeRowTable(table, i);
            return nullptr;
        }
    }
    return table;
}

void fillRowTable(RowTable table, std::int32_t rows, std::int32_t cols, const double* data) {
    if (cols <= 0) return;
    for (std::int32_t i = 0; i < rows; ++i) {
        double* row = table[i];
        for (std::int32_t j = 0; j < cols; ++j)
            row[j] = data[static_cast<std::size_t>(i) + static_cast<std::size_t>(j) * static_cast<std::size_t>(rows)];
    }
}

void freeRowTable(RowTable table, std::int32_t rows) {
    if (table == nullptr) return;
    for (std::int32_t i = 0; i < rows; ++i) release(table[i]);  // null rows are no-ops
    release(table);
}

bool RowTables::add(std::int32_t rows, std::int32_t cols, const double* data) {
    if (count_ == capacity) return false;
    RowTable t = allocRowTable(rows, cols);
    if (t == nullptr) return false;
    tables_[count_] = t;
    rows_[count_] = rows;
    cols_[count_] = cols;
    data_[count_] = data;
    ++count_;
    return true;
}

void RowTables::fillAll() {
    for (int i = 0; i < count_; ++i) fillRowTable(tables_[i], rows_[i], cols_[i], data_[i]);
}

void RowTables::freeAll() {
    for (int i = 0; i < count_; ++i) {
        freeRowTable(tables_[i], rows_[i]);
        tables_[i] = nullptr;
    }
    count_ = 0;
}

}  // namespace gateway
