#include "coverFlags.h"

#include "bits.h"
#include "levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using namespace regionkit;

namespace {

using Box = std::vector<double>;

using testsupport::columnsOf;
using testsupport::randomBoxes;

double flag(const Box& region, const Box& box) { return coverFlag(region.data(), box.data()); }

const double nan = std::nan("");

TEST(CoverFlag, StrictShareOfTheRegionBoxOwnArea) {
    const Box region{1, 1, 10, 10};
    EXPECT_EQ(flag(region, {1, 1, 10, 10}), 1.0);
    EXPECT_EQ(flag(region, {0, 0, 100, 100}), 1.0);
    // Exactly 90 of 100 pixels is not more than 0.9, whichever edge loses them.
    EXPECT_EQ(flag(region, {1, 1, 10, 9}), 0.0);
    EXPECT_EQ(flag(region, {2, 1, 10, 10}), 0.0);
    EXPECT_EQ(flag(region, {1, 2, 10, 10}), 0.0);
    EXPECT_EQ(flag(region, {0, 0, 10, 10}), 0.0);
    // Fractional sizes count as they are: 95 of 100.
    EXPECT_EQ(flag(region, {1, 1, 10, 9.5}), 1.0);
    EXPECT_EQ(flag(region, {1, 1, 10, 9.05}), 1.0);  // 90.5 of 100: just more than 0.9
    EXPECT_EQ(flag({1, 1, 20, 10}, {2, 1, 30, 10}), 1.0);  // 190 of 200
    // The box's own area plays no part.
    EXPECT_EQ(flag({1, 1, 2, 2}, {-1000, -1000, 5000, 5000}), 1.0);
}

TEST(CoverFlag, AsksHowMuchOfTheRegionBoxIsInside) {
    EXPECT_EQ(flag({1, 1, 10, 10}, {1, 1, 5, 5}), 0.0);
    EXPECT_EQ(flag({1, 1, 5, 5}, {1, 1, 10, 10}), 1.0);
    // Edges are inclusive: touching shares nothing, overlapping by one column shares a tenth.
    EXPECT_EQ(flag({1, 1, 10, 10}, {11, 1, 10, 10}), 0.0);
    EXPECT_EQ(flag({1, 1, 10, 10}, {-9, 1, 10, 10}), 0.0);
    EXPECT_EQ(flag({1, 1, 10, 10}, {10, 1, 10, 10}), 0.0);
    // A one-pixel region box in the far corner of a box is inside it.
    EXPECT_EQ(flag({10, 10, 1, 1}, {1, 1, 10, 10}), 1.0);
    EXPECT_EQ(flag({11, 10, 1, 1}, {1, 1, 10, 10}), 0.0);
}

TEST(CoverFlag, DegenerateBoxesAndNaN) {
    // No area on either side: 0/0 or 0/negative is never more than 0.9.
    EXPECT_EQ(flag({1, 1, 0, 10}, {0, 0, 100, 100}), 0.0);
    EXPECT_EQ(flag({1, 1, -5, -5}, {0, 0, 100, 100}), 0.0);
    EXPECT_EQ(flag({1, 1, 10, 10}, {1, 1, 0, 10}), 0.0);
    EXPECT_EQ(flag({1, 1, 10, 10}, {1, 1, -3, 10}), 0.0);
    // A NaN region edge loses every comparison, so the box's edge is taken:
    // the region box then spans the box across and is counted as covered.
    EXPECT_EQ(flag({nan, 1, 10, 10}, {1, 1, 10, 10}), 1.0);
    EXPECT_EQ(flag({1, nan, 10, 10}, {1, 1, 10, 10}), 1.0);
    // A NaN box edge or a NaN region area reaches the ratio: 0.
    EXPECT_EQ(flag({1, 1, 10, 10}, {nan, 1, 10, 10}), 0.0);
    EXPECT_EQ(flag({1, 1, 10, 10}, {1, 1, 10, nan}), 0.0);
    EXPECT_EQ(flag({1, 1, 10, nan}, {0, 0, 100, 100}), 0.0);
    const double inf = INFINITY;
    EXPECT_EQ(flag({1, 1, inf, 10}, {0, 0, 100, 100}), 0.0);
}

TEST(CoverFlags, NoBoxesOrNoRegionBoxesWriteNothing) {
    const std::vector<Box> regions{{1, 1, 5, 5}, {20, 20, 4, 4}};
    const std::vector<Box> boxes{{0, 0, 10, 10}, {18, 18, 10, 10}, {0, 0, 30, 30}};
    std::vector<double> untouched(4, -1.0);
    coverFlagsFromColumns(columnsOf(regions).data(), 2, nullptr, 0, untouched.data());
    coverFlagsFromColumns(nullptr, 0, columnsOf(boxes).data(), 3, untouched.data());
    EXPECT_EQ(untouched, std::vector<double>(4, -1.0));
}

REGIONKIT_EVERY_LEVEL(CoverLevels);

TEST_P(CoverLevels, GiveThePairRuleBitForBit) {
    std::mt19937 rng(11);
    const int boxCounts[] = {1, 3, 255, 256, 257, 600};
    for (int boxCount : boxCounts) {
        const std::vector<Box> regions = randomBoxes(rng, 37), boxes = randomBoxes(rng, boxCount);
        std::vector<double> expected(static_cast<std::size_t>(boxCount) * regions.size());
        for (std::size_t t = 0; t < regions.size(); ++t)
            for (int j = 0; j < boxCount; ++j)
                expected[static_cast<std::size_t>(j) + t * static_cast<std::size_t>(boxCount)] =
                    coverFlag(regions[t].data(), boxes[static_cast<std::size_t>(j)].data());
        double ones = 0;
        for (double v : expected) ones += v;
        ASSERT_GT(ones, 0.0);

        std::vector<double> flags(expected.size(), -1.0);
        coverFlagsOn(level(), columnsOf(regions).data(), 37, columnsOf(boxes).data(), boxCount, flags.data());
        ASSERT_EQ(std::memcmp(flags.data(), expected.data(), flags.size() * sizeof(double)), 0)
            << boxCount << " boxes";
        // The level coverFlagsFromColumns picks for itself is the widest.
        if (level() == isa::widest()) {
            std::vector<double> chosen(expected.size(), -1.0);
            coverFlagsFromColumns(columnsOf(regions).data(), 37, columnsOf(boxes).data(), boxCount, chosen.data());
            ASSERT_EQ(std::memcmp(chosen.data(), expected.data(), chosen.size() * sizeof(double)), 0);
        }
    }
}

TEST_P(CoverLevels, RegionBoxesThinnerThanAHundredth) {
    // Thin in height, in width, in both: inside every box when the thin side
    // is positive, and never covered when it lies just below zero (the overlap
    // clamps to 0 before the ratio). 19 boxes give each level whole vectors and
    // a few boxes past the last of them.
    const std::vector<Box> regions{{0, 0, 10, 0.005},  {0, 0, 0.005, 10},  {3.5, 2, 0.001, 0.001}, {2, 3, 7, 0.0099},
                                   {0, 0, 10, -0.005}, {0, 0, -0.005, 10}, {2, 3, -0.0099, 7},    {2, 3, 7, -0.0099}};
    const double covered[] = {1, 1, 1, 1, 0, 0, 0, 0};
    std::vector<Box> boxes;
    for (int j = 0; j < 19; ++j) boxes.push_back({-j * 0.5, -static_cast<double>(j), 20.0 + j, 20.0 + 2 * j});
    std::vector<double> flags(boxes.size() * regions.size(), -1.0);
    coverFlagsOn(level(), columnsOf(regions).data(), static_cast<int>(regions.size()), columnsOf(boxes).data(), 19,
                 flags.data());
    for (std::size_t k = 0; k < flags.size(); ++k)
        EXPECT_EQ(flags[k], covered[k / boxes.size()]) << "region " << k / boxes.size() << ", box " << k % boxes.size();
}

}  // namespace
