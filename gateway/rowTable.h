// Row tables: a host matrix copied row by row, each row a separate block, so
// kernels can walk one box or one vector with unit stride.
#ifndef REGIONKIT_GATEWAY_ROWTABLE_H
#define REGIONKIT_GATEWAY_ROWTABLE_H

#include <cstdint>

namespace gateway {

// rows[i] points at the N doubles of row i.
using RowTable = double**;

// Allocates the pointer table and every row block, without copying anything.
// Returns null when an allocation fails, having freed whatever it had taken.
// With no columns the rows hold nothing and are left null.
RowTable allocRowTable(std::int32_t rows, std::int32_t cols);

// Copies column-major host data into the table: row i, element j = data[i + j*rows].
void fillRowTable(RowTable table, std::int32_t rows, std::int32_t cols, const double* data);

// Frees row blocks 0 .. rows-1 in order, then the pointer table. Null is ignored.
void freeRowTable(RowTable table, std::int32_t rows);

// Owns up to a few tables for one call. Tables are allocated in argument order
// before any is filled, and freed in argument order; the destructor frees
// whatever is still held, so an exception cannot leak them.
class RowTables {
public:
    static constexpr int capacity = 4;
    RowTables() = default;
    RowTables(const RowTables&) = delete;
    RowTables& operator=(const RowTables&) = delete;
    ~RowTables() { freeAll(); }

    // Allocates the next table. False (with everything already held kept) on failure.
    bool add(std::int32_t rows, std::int32_t cols, const double* data);
    // Copies every table's data, in argument order.
    void fillAll();
    RowTable operator[](int i) const { return tables_[i]; }

private:
    void freeAll();

    RowTable tables_[capacity] = {};
    std::int32_t rows_[capacity] = {};
    std::int32_t cols_[capacity] = {};
    const double* data_[capacity] = {};
    int count_ = 0;
};

}  // namespace gateway

#endif
