#include "refitBoxes.h"

#include "bits.h"
#include "levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <random>
#include <vector>

using namespace regionkit;

namespace {

using Row = std::vector<double>;
const double nan = std::nan("");

// Rows given as on paper, laid out as the host holds a matrix: column-major,
// `width` columns (a row's missing values are 0).
std::vector<double> columns(const std::vector<Row>& rows, std::size_t width) {
    std::vector<double> data(rows.size() * width, 0.0);
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t c = 0; c < width && c < rows[i].size(); ++c) data[i + c * rows.size()] = rows[i][c];
    return data;
}

// refitBoxesOn over rows given as on paper: the whole membership (its own row
// count as stride) and the first `regionCount` regions (all when negative). Every result element starts at -7 so that writes outside x, y, w,
// h show; the result comes back column-major, five columns.
std::vector<double> refitColumns(isa::Isa level, const std::vector<Row>& boxes, const std::vector<Row>& regions,
                                 const std::vector<Row>& membership, std::int32_t height, std::int32_t width,
                                 std::int32_t regionCount = -1) {
    const auto m0 = static_cast<std::int32_t>(boxes.size());
    const auto m1 = regionCount < 0 ? static_cast<std::int32_t>(regions.size()) : regionCount;
    const std::size_t memberCols = membership.empty() ? 0 : membership[0].size();
    const std::vector<double> b = columns(boxes, 4), m = columns(membership, memberCols);
    const std::vector<double> r = columns(std::vector<Row>(regions.begin(), regions.begin() + m1), 4);
    std::vector<double> out(boxes.size() * 5, -7.0);
    refitBoxesOn(level, b.data(), m0, r.data(), m1, m.data(), membership.size(), height, width, out.data());
    return out;
}

// The refit boxes, row by row.
std::vector<Row> refit(const std::vector<Row>& boxes, const std::vector<Row>& regions,
                       const std::vector<Row>& membership, std::int32_t height, std::int32_t width) {
    const std::vector<double> out = refitColumns(isa::preferred(), boxes, regions, membership, height, width);
    std::vector<Row> rows;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        Row r;
        for (std::size_t c = 0; c < 5; ++c) r.push_back(out[i + c * boxes.size()]);
        rows.push_back(r);
    }
    return rows;
}

// The refit as defined, box after box along its own membership row, each
// member in increasing region order: what the column walk must give to the
// bit. Column-major, four columns.
std::vector<double> rowWalk(const std::vector<Row>& boxes, const std::vector<Row>& regions,
                            const std::vector<Row>& membership, std::int32_t height, std::int32_t width) {
    const std::size_t n = boxes.size();
    std::vector<double> out(n * 4);
    for (std::size_t i = 0; i < n; ++i) {
        double minX = 100000.0, minY = 100000.0, maxRight = 0.0, maxBottom = 0.0;
        bool found = false;
        for (std::size_t j = 0; j < regions.size(); ++j) {
            if (!(membership[i][j] == 1.0)) continue;
            const Row& r = regions[j];
            found = true;
            if (!(r[0] > minX)) minX = r[0];
            if (!(r[1] > minY)) minY = r[1];
            const double right = (r[0] + r[2]) - 1.0, bottom = (r[1] + r[3]) - 1.0;
            if (!(maxRight > right)) maxRight = right;
            if (!(maxBottom > bottom)) maxBottom = bottom;
        }
        double v[4] = {boxes[i][0], boxes[i][1], boxes[i][2], boxes[i][3]};
        if (found) {
            double left = minX - 1.0, top = minY - 1.0, right = maxRight + 1.0, bottom = maxBottom + 1.0;
            if (!(left > 1.0)) left = 1.0;
            if (!(top > 1.0)) top = 1.0;
            if (!(width > right)) right = width;
            if (!(height > bottom)) bottom = height;
            v[0] = left, v[1] = top, v[2] = (right - left) + 1.0, v[3] = (bottom - top) + 1.0;
        }
        for (std::size_t c = 0; c < 4; ++c) out[i + c * n] = v[c];
    }
    return out;
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
    const std::vector<double> out = refitColumns(isa::preferred(), boxes, regions, membership, 100, 100, 6);
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
    refitBoxes(nullptr, 0, nullptr, 3, nullptr, 0, 100, 100, nullptr);
}

// Marks looked at W at a time, and the membership walked column after column:
// at every level, every box against the row walk. Members (exact ones) and
// near misses sit at every position of a column, the first boxes' marks
// sparse so that whole vectors of non-members are passed over. The regions
// bring NaN coordinates among a box's members (order shows: a NaN gives way to
// the next member's value), edges tied with other members' and signed zeros;
// the box counts reach past a vector and past a strip of the walk.
REGIONKIT_EVERY_LEVEL(RefitLevels);
TEST_P(RefitLevels, GiveTheRowWalksBits) {
    std::mt19937 rng(5);
    const double marks[] = {1.0, 0.0, std::nextafter(1.0, 2.0), std::nextafter(1.0, 0.0), nan, -1.0};
    const double edges[] = {nan, -0.0, 0.0, 7.0, 7.5, -3.0};
    std::uniform_int_distribution<int> pick(0, 5), roll(0, 3);
    for (std::int32_t boxCount : {1, 7, 9, 24, 4101})
        for (std::int32_t count : {1, 7, 8, 9, 17, 40}) {
            if (boxCount > 24 && count > 9) continue;
            std::vector<Row> regions = testsupport::randomBoxes(rng, count), boxes = testsupport::randomBoxes(rng, boxCount);
            for (Row& r : regions)
                for (double& v : r)
                    if (roll(rng) == 0) v = edges[pick(rng)];
            // Two rows more than there are boxes, one column more than regions: neither is read.
            std::vector<Row> membership(static_cast<std::size_t>(boxCount) + 2, Row(static_cast<std::size_t>(count) + 1));
            for (std::size_t i = 0; i < membership.size(); ++i)
                for (double& v : membership[i]) v = i < 8 && pick(rng) < 3 ? 0.0 : marks[pick(rng)];
            std::vector<double> got = refitColumns(level(), boxes, regions, membership, 100, 90, count);
            got.resize(boxes.size() * 4);
            EXPECT_TRUE(testsupport::sameBits(got, rowWalk(boxes, regions, membership, 100, 90)))
                << levelName() << ", " << boxCount << " boxes, " << count << " regions";
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
    const std::vector<double> out = refitColumns(level(), boxes, regions, membership, 100, 100);
    for (std::size_t i = 0; i < n; ++i)
        EXPECT_EQ((Row{out[i], out[i + n], out[i + 2 * n], out[i + 3 * n]}), cases[i].refit)
            << levelName() << ", member " << i;
}

}  // namespace
