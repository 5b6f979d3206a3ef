#include "distanceTable.h"

#include "bits.h"
#include "levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace regionkit;

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

// Rows held both ways the entry reads them: as a row table (one pointer per
// row) and as the host's column-major matrix.
struct Table {
    std::vector<std::vector<double>> rows;
    std::vector<const double*> pointers = testsupport::rowsOf(rows);
    std::vector<double> columns = rows.empty() ? std::vector<double>() : testsupport::columnsOf(rows, rows[0].size());

    const double* const* get() const { return pointers.data(); }
    std::int32_t count() const { return static_cast<std::int32_t>(rows.size()); }
};

using testsupport::randomRows;
using testsupport::sameBits;

// The table as the entry makes it at `level`: from the columns where the
// vectors run, else one pair at a time over the row tables.
std::vector<double> table(isa::Isa level, const Table& a, std::int32_t n, const Table& b, double code) {
    std::vector<double> out(a.rows.size() * b.rows.size(), -12345.0);
    if (fillsFromColumns(level, a.count(), n, b.count(), code))
        EXPECT_TRUE(fillDistanceTableFromColumns(level, a.columns.data(), a.count(), n, b.columns.data(), b.count(),
                                                 code, out.data()));
    else
        fillDistanceTable(a.get(), a.count(), n, b.get(), b.count(), code, out.data());
    return out;
}

REGIONKIT_EVERY_LEVEL(DistanceLevels);

TEST(RowDistance, PicksAndSumsInOrder) {
    // Histogram intersection takes a_k only when b_k > a_k: b on ties and
    // whenever the comparison is unordered.
    const double a1[] = {0.25, 0.5, nan, 0.125};
    const double b1[] = {0.5, 0.25, 0.25, 0.125};
    EXPECT_EQ(rowDistance(a1, b1, 4, 1.0), 1.0 - (0.25 + 0.25 + 0.25 + 0.125));
    const double b2[] = {0.5, 0.25, 0.25, nan};
    EXPECT_TRUE(std::isnan(rowDistance(a1, b2, 4, 1.0)));
    // Infinities: the smaller one is picked, and opposite ones meet as NaN.
    const double a3[] = {inf, -inf, inf};
    const double b3[] = {3.0, inf, inf};
    EXPECT_EQ(rowDistance(a3, b3, 1, 1.0), -2.0);
    EXPECT_EQ(rowDistance(a3, b3, 2, 1.0), inf);
    EXPECT_TRUE(std::isnan(rowDistance(a3, b3, 3, 1.0)));
    // One running sum, element after element: 1 + 1e100 loses the 1, so the
    // sum is 1 (a pairwise sum would give 0), and 1.0 - sum comes once at the end.
    const double big[] = {1.0, 1e100, -1e100, 1.0};
    EXPECT_EQ(rowDistance(big, big, 4, 1.0), 0.0);
    // Euclidean: squares of differences, summed in order, then sqrt.
    const double e1[] = {0.0, 0.0, 0.0}, e2[] = {3.0, 4.0, 12.0};
    EXPECT_EQ(rowDistance(e1, e2, 2, 2.0), 5.0);
    EXPECT_EQ(rowDistance(e1, e2, 3, 2.0), 13.0);
    const double e3[] = {1e200, 0.0}, e4[] = {-1e200, 0.0};
    EXPECT_EQ(rowDistance(e3, e4, 2, 2.0), inf);
    EXPECT_EQ(rowDistance(e1, e2, 1, 2.0), 3.0);
}

TEST(RowDistance, EmptySumsAndOtherCodes) {
    const double a[] = {0.3, 0.7}, b[] = {0.6, 0.1};
    EXPECT_EQ(rowDistance(a, b, 0, 1.0), 1.0);
    EXPECT_EQ(rowDistance(a, b, -3, 1.0), 1.0);
    EXPECT_EQ(rowDistance(a, b, 0, 2.0), 0.0);
    for (double code : {0.0, 3.0, 1.5, -1.0, std::nextafter(1.0, 2.0), nan, inf})
        EXPECT_EQ(rowDistance(a, b, 2, code), 0.0) << code;
}

// Worked cases of the whole table, through every kernel.
TEST(FillDistanceTable, BoundsAndRescaleOnEveryKernel) {
    // Whole blocks of B at every level (24 rows), met last by NaN distances only.
    std::vector<std::vector<double>> upTo23(24);
    std::vector<double> scaled(48, nan);
    for (int j = 0; j < 24; ++j) {
        upTo23[j] = {static_cast<double>(j)};
        scaled[j] = j / 23.0;
    }
    struct Case {
        const char* what;
        std::vector<std::vector<double>> a, b;
        double code;
        std::vector<double> want;
    } cases[] = {
        {"output order", {{0}, {10}}, {{1}, {2}, {4}}, 2.0, {0, 0.125, 0.375, 1, 0.875, 0.625}},
        {"lo 0, hi 5", {{0, 0}, {3, 4}}, {{0, 0}}, 2.0, {0, 1}},
        {"lo stays at 1.0", {{0, 0}}, {{3, 4}, {6, 8}}, 2.0, {4.0 / 9.0, 1}},
        {"one pair at 5", {{0, 0}}, {{3, 4}}, 2.0, {1}},
        {"one pair at 0.5", {{0}}, {{0.5}}, 2.0, {nan}},
        {"one pair at 0", {{7}}, {{7}}, 2.0, {nan}},
        {"intersection 0 and 0.5", {{0.5, 0.5}}, {{0.5, 0.5}, {1, 0}}, 1.0, {0, 1}},
        {"intersection below 0", {{1, 1}}, {{1, 1}, {0, 0}}, 1.0, {0, 1}},
        {"NaN distance moves no bound", {{0, 0}}, {{3, 4}, {nan, 0}, {6, 8}}, 2.0, {4.0 / 9.0, nan, 1}},
        {"extra columns of B unread", {{0}, {10}}, {{1, 99, nan}, {2, -5, 0}, {4, inf, 1}}, 2.0,
         {0, 0.125, 0.375, 1, 0.875, 0.625}},
        {"no metric", {{1, 2}, {3, 4}}, {{5, 6}}, 3.0, {nan, nan}},
        {"no metric, NaN code", {{1, 2}}, {{5, 6}}, nan, {nan}},
        {"NaN last in whole blocks", {{0}, {nan}}, upTo23, 2.0, scaled},
    };
    for (isa::Isa level : testsupport::levels())
        for (const Case& c : cases) {
            const Table a{c.a}, b{c.b};
            const auto n = static_cast<std::int32_t>(c.a[0].size());
            ASSERT_TRUE(sameBits(table(level, a, n, b, c.code), c.want)) << std::string(isa::name(level)) + ": " + c.what;
        }
}

TEST_P(DistanceLevels, NoPairsOrNoElements) {
    const Table none{{}}, one{{{0.25, 0.5}}}, two{{{1, 2}, {3, 4}}};
    EXPECT_TRUE(table(level(), none, 2, two, 1.0).empty());
    EXPECT_TRUE(table(level(), two, 2, none, 2.0).empty());
    // N = 0: every distance is 1.0 or 0.0, so lo equals hi and all are NaN.
    for (double code : {1.0, 2.0}) ASSERT_TRUE(sameBits(table(level(), two, 0, one, code), std::vector<double>{nan, nan})) << "N = 0";
}

TEST_P(DistanceLevels, MatchThePlainLoopBitForBit) {
    std::mt19937 rng(2024);
    const std::int32_t sizesA[] = {1, 2, 3, 4, 5, 7, 9};
    const std::int32_t sizesB[] = {1, 2, 3, 4, 5, 7, 8, 9, 13, 16, 17, 33};
    const std::int32_t lengths[] = {1, 3, 8, 17, 64};
    struct Shape {
        std::int32_t m, r, n;
        bool special;
    };
    std::vector<Shape> shapes;
    for (std::int32_t m : sizesA)
        for (std::int32_t r : sizesB) {
            const int round = static_cast<int>(shapes.size());
            shapes.push_back({m, r, lengths[round % 5], round % 2 == 0});
        }
    // More A rows than one band, and B rows too long for one chunk to hold many.
    shapes.push_back({70, 17, 5000, false});
    shapes.push_back({131, 45, 700, false});
    for (const Shape& shape : shapes) {
        const std::int32_t m = shape.m, r = shape.r, n = shape.n;
        const bool special = shape.special;
        // B rows one longer than A's: the extra element must stay unread.
        const Table a{randomRows(rng, m, n, special)}, b{randomRows(rng, r, n + 1, special)};
        for (double code : {1.0, 2.0}) {
            const std::string what = "m=" + std::to_string(m) + " r=" + std::to_string(r) +
                                     " n=" + std::to_string(n) + " code=" + std::to_string(code);
            // Pair by pair before the rescale, specials included, where vectors run...
            std::vector<double> want;
            for (const auto& ra : a.rows)
                for (const auto& rb : b.rows) want.push_back(rowDistance(ra.data(), rb.data(), n, code));
            std::vector<double> got(want.size());
            if (fillDistancesFromColumns(level(), a.columns.data(), m, n, b.columns.data(), r, code, got.data()))
                ASSERT_TRUE(sameBits(got, want)) << what;
            else
                ASSERT_EQ(level(), isa::Isa::scalar) << what;
            // ...and the whole rescaled table (informative where no special sends a bound to infinity).
            ASSERT_TRUE(sameBits(table(level(), a, n, b, code), table(isa::Isa::scalar, a, n, b, code))) << what;
        }
    }
}

// The entry's path straight from column-major data, at sizes on and around
// every tile's row counts (up to 8 rows of A, 24 rows of B): the same bits as
// the plain loop over row tables.
TEST_P(DistanceLevels, ColumnsGiveTheRowTablesBits) {
    std::mt19937 rng(77);
    const std::int32_t sizesA[] = {1, 3, 4, 5, 7, 8, 9, 16, 17, 130};
    const std::int32_t sizesB[] = {1, 2, 7, 8, 9, 15, 16, 17, 23, 24, 25, 47, 48, 49, 250};
    int round = 0;
    for (std::int32_t m : sizesA)
        for (std::int32_t r : sizesB) {
            const std::int32_t n = (round++ % 3 == 0) ? 1 : 1 + (m * 7 + r) % 40;
            // B has one column more than A: it must stay unread.
            const Table a{randomRows(rng, m, n, false)}, b{randomRows(rng, r, n + 1, false)};
            for (double code : {1.0, 2.0}) {
                const std::string what = std::string(levelName()) + " m=" + std::to_string(m) +
                                         " r=" + std::to_string(r) + " n=" + std::to_string(n) +
                                         " code=" + std::to_string(code);
                EXPECT_EQ(fillsFromColumns(level(), m, n, r, code), level() != isa::Isa::scalar) << what;
                ASSERT_TRUE(sameBits(table(level(), a, n, b, code), table(isa::Isa::scalar, a, n, b, code))) << what;
            }
        }
    // Nothing for the column path to do: no metric or no elements.
    EXPECT_FALSE(fillsFromColumns(level(), 3, 2, 3, 3.0));
    EXPECT_FALSE(fillsFromColumns(level(), 3, 0, 3, 1.0));
}

}  // namespace
