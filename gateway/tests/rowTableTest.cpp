#include "calls.h"
#include "rowTable.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 3 x 2 column-major matrix: rows (1 4), (2 5), (3 6).
const std::vector<double> data = {1, 2, 3, 4, 5, 6};

TEST(RowTable, CopiesRowsFromColumnMajorData) {
    gateway::RowTable t = gateway::allocRowTable(3, 2);
    ASSERT_NE(t, nullptr);
    gateway::fillRowTable(t, 3, 2, data.data());
    EXPECT_EQ(std::vector<double>(t[0], t[0] + 2), (std::vector<double>{1, 4}));
    EXPECT_EQ(std::vector<double>(t[2], t[2] + 2), (std::vector<double>{3, 6}));
    gateway::freeRowTable(t, 3);

    // A single column gives rows of one element; a single row, one row of all.
    gateway::RowTable column = gateway::allocRowTable(6, 1), row = gateway::allocRowTable(1, 6);
    gateway::fillRowTable(column, 6, 1, data.data());
    gateway::fillRowTable(row, 1, 6, data.data());
    EXPECT_EQ(column[4][0], 5);
    EXPECT_EQ(std::vector<double>(row[0], row[0] + 6), data);
    gateway::freeRowTable(column, 6);
    gateway::freeRowTable(row, 1);
}

TEST(RowTable, EmptyMatricesCopyNothing) {
    // No rows: just the pointer table. No columns: rows that hold nothing and
    // need no blocks, however many there are.
    for (auto [rows, cols] : {std::pair{0, 4}, std::pair{0, 0}, std::pair{5, 0}, std::pair{20000000, 0}}) {
        gateway::RowTable t = gateway::allocRowTable(rows, cols);
        ASSERT_NE(t, nullptr);
        gateway::fillRowTable(t, rows, cols, nullptr);
        gateway::freeRowTable(t, rows);
    }
}

TEST(RowTable, AFailedAllocationFreesWhatWasTaken) {
    // The pointer table, then three rows; fail each in turn. The stand-in's
    // counted path aborts on a stray free, and LeakSanitizer sees a lost block.
    for (std::size_t k = 1; k <= 4; ++k) {
        testsupport::failAllocation(k);
        gateway::RowTable t = gateway::allocRowTable(3, 2);
        testsupport::failAllocation(0);
        EXPECT_EQ(t, nullptr) << "allocation " << k;
    }
    gateway::RowTables tables;
    EXPECT_TRUE(tables.add(3, 2, data.data()));
    testsupport::failAllocation(1);
    EXPECT_FALSE(tables.add(3, 2, data.data()));
    testsupport::failAllocation(0);
}

}  // namespace
