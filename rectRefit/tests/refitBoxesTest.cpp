#include "refitBoxes.h"

#include "bits.h"
#include "levels.h"
#include "rowTable.h"
#include "tiledFill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <random>
#include <vector>

namespace {

using Row = std::vector<double>;
const double nan = std::nan("");

using testhost::rowsOf;

// The refit boxes, row by row, from rows given as on paper. Every result
// element starts at -7 so that writes outside x, y, w, h show.
std::vector<Row> refit(const std::vector<Row>& boxes, const std::vector<Row>& regions,
                       const std::vector<Row>& membership, std::int32_t height, std::int32_t width) {
    const auto m0 = static_cast<std::int32_t>(boxes.size());
    std::vector<double> out(boxes.size() * 5, -7.0);
    refitBoxes(rowsOf(boxes).data(), m0, rowsOf(regions).data(), static_cast<std::int32_t>(regions.size()),
               rowsOf(membership).data(), height, width, out.data());
    std::vector<Row> rows;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        Row r;
        for (std::size_t c = 0; c < 5; ++c) r.push_back(out[i + c * boxes.size()]);
        rows.push_back(r);
    }
    return rows;
}

Row refitOne(const std::vector<Row>& members, std::int32_t height, std::int32_t width) {
    return refit({{3, 4, 5, 6}}, members, {Row(members.size(), 1.0)}, height, width).at(0);
}

TEST(RefitBoxes, GrowsTheUnionByOnePixelAndClipsEachSide) {
    EXPECT_EQ(refitOne({{10, 20, 5, 6}}, 100, 100), (Row{9, 19, 7, 8, -7}));
    // Left edge 2 - 1 = 1 stays, top edge 1 - 1 = 0 is raised to 1.
    EXPECT_EQ(refitOne({{2, 3, 4, 4}, {10, 1, 2, 2}}, 100, 100), (Row{1, 1, 12, 7, -7}));
    EXPECT_EQ(refitOne({{1, 1, 640, 480}}, 480, 640), (Row{1, 1, 640, 480, -7}));
    EXPECT_EQ(refitOne({{-10, -10, 5, 5}}, 100, 100), (Row{1, 1, 1, 1, -7}));
    // Right edge 105 clipped to the width, bottom 55 to the height; the fourth
    // argument bounds y and the fifth x.
    EXPECT_EQ(refitOne({{95, 45, 10, 10}}, 50, 100), (Row{94, 44, 7, 7, -7}));
    EXPECT_EQ(refitOne({{95, 45, 10, 10}}, 100, 50), (Row{94, 44, -43, 12, -7}));
    // Nothing is rounded.
    EXPECT_EQ(refitOne({{10.5, 20.25, 3, 3}}, 100, 100), (Row{9.5, 19.25, 5, 5, -7}));
    // A union wholly outside the image is not checked further.
    EXPECT_EQ(refitOne({{300, 300, 5, 5}}, 100, 100), (Row{299, 299, -198, -198, -7}));
}

TEST(RefitBoxes, RunningValuesStartAtFiniteBounds) {
    // Beyond x = 100000 the left edge stays at 100000 - 1; the width reaches the
    // member's right edge plus one: (x + w) - 99998.
    EXPECT_EQ(refitOne({{200000, 5, 10, 10}}, 100, 300000), (Row{99999, 4, 100012, 12, -7}));
    EXPECT_EQ(refitOne({{5, 150000, 10, 10}}, 300000, 100), (Row{4, 99999, 12, 50012, -7}));
}

TEST(RefitBoxes, OnlyExactOnesMarkMembers) {
    const std::vector<Row> boxes{{3, 4, 5, 6, 0.8}, {30, 40, 50, 60}, {0, 0, 0, 0}, {0, 0, 0, 0}};
    const std::vector<Row> regions{{10, 20, 5, 6}, {50, 50, 5, 5}, {60, 60, 5, 5}, {70, 70, 5, 5},
                                   {80, 80, 5, 5}, {90, 90, 5, 5}, {1, 1, 1, 1}};
    const double nearOne = std::nextafter(1.0, 2.0), belowOne = std::nextafter(1.0, 0.0);
    // Only six regions are handed to the kernel: the 1.0 in the seventh
    // column is beyond them and is not looked at.
    const std::vector<Row> membership{{0, 0.5, 2, -1, nan, nearOne, 1.0},
                                      {1.0, belowOne, 0, 0, 0, 0, 0},
                                      {0, 1.0, 0, 0, 1.0, 0, 0},
                                      {0, 0, 0, 0, 0, 1.0, 0}};
    std::vector<Row> regionsSeen(regions.begin(), regions.end() - 1);
    std::vector<double> out(20, -7.0);
    refitBoxes(rowsOf(boxes).data(), 4, rowsOf(regionsSeen).data(), 6, rowsOf(membership).data(), 100, 100,
               out.data());
    EXPECT_EQ(out, (std::vector<double>{3, 9, 49, 89, 4, 19, 49, 89, 5, 7, 37, 7, 6, 8, 37, 7, -7, -7, -7, -7}));
}

TEST(RefitBoxes, NaNGivesWayToTheNextValue) {
    // A NaN running value is replaced by the next member's, and gives way to the clip.
    EXPECT_EQ(refitOne({{nan, 5, 10, 10}, {20, 5, 10, 10}}, 100, 100), (Row{19, 4, 12, 12, -7}));
    EXPECT_EQ(refitOne({{20, 5, 10, 10}, {nan, 5, 10, 10}}, 100, 100), (Row{1, 4, 100, 12, -7}));
    EXPECT_EQ(refitOne({{20, 5, 10, nan}}, 50, 100), (Row{19, 4, 12, 47, -7}));
    // Equal values replace with no visible effect.
    EXPECT_EQ(refitOne({{20, 5, 10, 10}, {20, 5, 10, 10}}, 100, 100), (Row{19, 4, 12, 12, -7}));
}

TEST(RefitBoxes, EmptyListsAndBoxesWithoutMembers) {
    // No region boxes: every box keeps its first four values.
    const auto kept = refit({{3, 4, 5, 6, 0.8}, {nan, 1, 2, 3}}, {}, {{}, {}}, 100, 100);
    EXPECT_EQ(kept[0], (Row{3, 4, 5, 6, -7}));
    EXPECT_TRUE(std::isnan(kept[1][0]));
    EXPECT_EQ(Row(kept[1].begin() + 1, kept[1].end()), (Row{1, 2, 3, -7}));
    // No boxes: nothing is read or written.
    refitBoxes(nullptr, 0, nullptr, 3, nullptr, 100, 100, nullptr);
}

// Marks looked at W at a time: members (exact ones) and near misses at every
// position of a row against the plain walk, so that a member missed or a near
// one taken in any lane shows. The first rows are sparse, so that whole
// vectors of non-members are skipped.
REGIONKIT_EVERY_LEVEL(RefitLevels);
TEST_P(RefitLevels, FindTheMembersThePlainWalkFinds) {
    std::mt19937 rng(5);
    const double marks[] = {1.0, 0.0, std::nextafter(1.0, 2.0), std::nextafter(1.0, 0.0), nan, -1.0};
    std::uniform_int_distribution<int> pick(0, 5), corner(1, 90);
    for (std::int32_t count : {1, 7, 8, 9, 17, 40}) {
        std::vector<Row> regions, boxes(24, Row{3, 4, 5, 6}), membership(24, Row(count, 0.0));
        for (std::int32_t j = 0; j < count; ++j) regions.push_back({1.0 * corner(rng), 1.0 * corner(rng), 5, 5});
        for (std::size_t i = 0; i < membership.size(); ++i)
            for (double& v : membership[i]) v = i < 8 && pick(rng) < 3 ? 0.0 : marks[pick(rng)];
        std::vector<double> want(24 * 4), got(24 * 4);
        refitBoxesOn(isa::Isa::scalar, rowsOf(boxes).data(), 24, rowsOf(regions).data(), count,
                     rowsOf(membership).data(), 100, 100, want.data());
        refitBoxesOn(level(), rowsOf(boxes).data(), 24, rowsOf(regions).data(), count, rowsOf(membership).data(),
                     100, 100, got.data());
        EXPECT_EQ(got, want) << levelName() << ", " << count << " regions";
    }
}

// Member edges a fraction of a pixel inside and outside each limit (1 on the
// left and top, the width and height on the right and bottom), each member
// the only one of its box, at every level: a clip off by a hundredth shows.
TEST_P(RefitLevels, ClipFractionalEdgesAtTheBorder) {
    struct Case {
        Row member, refit;
    } const cases[] = {
        {{2.005, 50, 3, 3}, {1.005, 49, 5, 5}},  {{1.995, 50, 3, 3}, {1, 49, 4.995, 5}},
        {{50, 2.005, 3, 3}, {49, 1.005, 5, 5}},  {{50, 1.995, 3, 3}, {49, 1, 5, 4.995}},
        {{96.995, 50, 3, 3}, {95.995, 49, 5, 5}}, {{97.005, 50, 3, 3}, {96.005, 49, 4.9950000000000045, 5}},
        {{50, 96.995, 3, 3}, {49, 95.995, 5, 5}}, {{50, 97.005, 3, 3}, {49, 96.005, 5, 4.9950000000000045}},
    };
    const std::size_t n = std::size(cases);
    std::vector<Row> boxes(n, Row{3, 4, 5, 6}), regions, membership(n, Row(n, 0.0));
    for (std::size_t i = 0; i < n; ++i) {
        regions.push_back(cases[i].member);
        membership[i][i] = 1.0;
    }
    std::vector<double> out(n * 4);
    const auto count = static_cast<std::int32_t>(n);
    refitBoxesOn(level(), rowsOf(boxes).data(), count, rowsOf(regions).data(), count, rowsOf(membership).data(), 100,
                 100, out.data());
    for (std::size_t i = 0; i < n; ++i)
        EXPECT_EQ((Row{out[i], out[i + n], out[i + 2 * n], out[i + 3 * n]}), cases[i].refit)
            << levelName() << ", member " << i;
}

REGIONKIT_EVERY_LEVEL(TiledFillLevels);

TEST_P(TiledFillLevels, MakeTheSameTableAsTheRowByRowCopy) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> value(-1, 1);
    // Empty sides, sizes around the block and tile edges, remainders in both directions.
    const std::int32_t sizes[][2] = {{0, 5},  {5, 0},   {1, 9},   {9, 1},    {3, 3},
                                     {15, 4}, {16, 16}, {17, 33}, {9, 517}, {70, 258}};
    // The source holds three rows more than are copied: only the leading block is read.
    for (const auto& s : sizes) {
        const std::int32_t rows = s[0], cols = s[1], stride = rows + 3;
        std::vector<double> data(static_cast<std::size_t>(stride) * static_cast<std::size_t>(cols));
        for (double& v : data) v = value(rng);
        gateway::RowTable expected = gateway::allocRowTable(stride, cols);
        ASSERT_NE(expected, nullptr);
        gateway::fillRowTable(expected, stride, cols, data.data());
        gateway::RowTable tiled = gateway::allocRowTable(rows, cols);
        ASSERT_NE(tiled, nullptr);
        fillRowTableTiledOn(level(), tiled, rows, cols, data.data(), static_cast<std::size_t>(stride));
        for (std::int32_t i = 0; i < rows; ++i)
            for (std::int32_t j = 0; j < cols; ++j)
                ASSERT_EQ(tiled[i][j], expected[i][j]) << rows << "x" << cols << " at " << i << "," << j;
        gateway::freeRowTable(tiled, rows);
        gateway::freeRowTable(expected, stride);
    }
}

}  // namespace
