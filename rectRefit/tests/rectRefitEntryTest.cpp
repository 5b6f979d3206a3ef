#include "check.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::matrix;
using testsupport::scalar;

using testsupport::completed;
using testsupport::plugin;

namespace {

TEST(RectRefitEntry, ResultHasTheShapeOfTheBoxesWithExtraColumnsZero) {
    auto boxes = matrix(3, 6, {3, 4, 5, 6, 0.8, 9,     //
                               1, 1, 1, 1, 0.5, 9,     //
                               95, 45, 10, 10, 1, 9});
    auto regions = matrix(2, 5, {10, 20, 5, 6, 7,  //
                                 95, 45, 10, 10, 7});
    // Marks beyond the boxes' rows and the regions' columns are not read.
    auto membership = matrix(4, 3, {0, 0, 1,  //
                                    1, 0, 1,  //
                                    0, 1, 1,  //
                                    1, 1, 1});
    // 50.9 and 100.7 act as 50 and 100: the height bounds y, the width x.
    auto r = plugin().call(1, {boxes.get(), regions.get(), membership.get(), scalar(50.9).get(),
                               matrix(1, 2, {100.7, -1}).get()});
    ASSERT_TRUE(completed(r, 3, 6));
    EXPECT_EQ(testsupport::values(r.out()), (std::vector<double>{3, 9, 94, 4, 19, 44, 5, 7, 7, 6, 8, 7,  //
                                                              0, 0, 0, 0, 0, 0}));
}

TEST(RectRefitEntry, EmptyBoxesOrRegions) {
    auto regions = matrix(1, 4, {10, 20, 5, 6});
    auto none = plugin().call(1, {testsupport::zeros(0, 5).get(), regions.get(), testsupport::zeros(0, 1).get(),
                                  scalar(100).get(), scalar(100).get()});
    EXPECT_TRUE(completed(none, 0, 5));

    auto boxes = matrix(1, 4, {3, 4, 5, 6});
    auto kept = plugin().call(1, {boxes.get(), testsupport::zeros(0, 4).get(), testsupport::zeros(1, 0).get(),
                                  scalar(100).get(), scalar(100).get()});
    ASSERT_TRUE(completed(kept, 1, 4));
    EXPECT_EQ(testsupport::values(kept.out()), (std::vector<double>{3, 4, 5, 6}));

    // Only the rows and columns that are read are touched, however many an empty membership claims.
    auto tall = plugin().call(1, {boxes.get(), testsupport::zeros(0, 4).get(), testsupport::zeros(2147483647u, 0).get(),
                                  scalar(100).get(), scalar(100).get()});
    ASSERT_TRUE(completed(tall, 1, 4));
    EXPECT_EQ(testsupport::values(tall.out()), (std::vector<double>{3, 4, 5, 6}));
}

TEST(RectRefitEntry, RefusesBadCallsCleanly) {
    auto boxes = matrix(2, 4, {3, 4, 5, 6, 1, 1, 1, 1});
    auto regions = matrix(3, 4, {10, 20, 5, 6, 1, 1, 2, 2, 5, 5, 5, 5});
    auto m = testsupport::zeros(2, 3);
    auto h = scalar(100);
    testsupport::expectArgumentChecks(plugin(),
                                   {"rectRefit", "refit = rectRefit(boxes, regionBoxes, membership, height, width)", 1,
                                    {{"boxes", false, 4, "x, y, w, h"}, {"regionBoxes", false, 4, "x, y, w, h"},
                                     {"membership"}, {"height", true}, {"width", true}}},
                                   {boxes.get(), regions.get(), m.get(), h.get(), h.get()});
    auto fewRows = testsupport::zeros(1, 3);
    auto fewCols = testsupport::zeros(2, 2);
    auto empty = testsupport::zeros(0, 0);
    auto nanSize = scalar(NAN);
    auto bigSize = scalar(2147483648.0);
    auto lowSize = scalar(-2147483649.0);
    auto infSize = scalar(INFINITY);
    testsupport::expectRefused(plugin(), {
        {1, {boxes.get(), regions.get(), fewRows.get(), h.get(), h.get()}, "rectRefit:membershipTooSmall",
         "Argument 3 (membership) needs one row per box and one column per region box, at least 2x3, but a 1x3"
         " matrix came."},
        {1, {boxes.get(), regions.get(), fewCols.get(), h.get(), h.get()}, "rectRefit:membershipTooSmall",
         "Argument 3 (membership) needs one row per box and one column per region box, at least 2x3, but a 2x2"
         " matrix came."},
        {1, {boxes.get(), regions.get(), empty.get(), h.get(), h.get()}, "rectRefit:membershipTooSmall",
         "Argument 3 (membership) needs one row per box and one column per region box, at least 2x3, but a 0x0"
         " matrix came."},
        {1, {boxes.get(), regions.get(), m.get(), nanSize.get(), h.get()}, "rectRefit:badImageSize",
         "Argument 4 (height) is NaN; the image height must be a number."},
        {1, {boxes.get(), regions.get(), m.get(), h.get(), bigSize.get()}, "rectRefit:badImageSize",
         "Argument 5 (width) is 2.14748e+09; the image width must lie between -2147483648 and 2147483647."},
        {1, {boxes.get(), regions.get(), m.get(), lowSize.get(), h.get()}, "rectRefit:badImageSize",
         "Argument 4 (height) is -2.14748e+09; the image height must lie between -2147483648 and 2147483647."},
        {1, {boxes.get(), regions.get(), m.get(), h.get(), infSize.get()}, "rectRefit:badImageSize",
         "Argument 5 (width) is inf; the image width must lie between -2147483648 and 2147483647."},
    });
    // The extremes that do truncate to 32 bits are accepted.
    auto edge = plugin().call(1, {boxes.get(), regions.get(), m.get(), scalar(2147483647.9).get(),
                                  scalar(-2147483648.9).get()});
    EXPECT_FALSE(edge.raised) << edge.message;
}

TEST(RectRefitEntry, EveryFailedAllocationEndsInACleanError) {
    auto boxes = matrix(2, 4, {3, 4, 5, 6, 1, 1, 1, 1});
    auto regions = matrix(2, 4, {10, 20, 5, 6, 1, 1, 2, 2});
    auto m = matrix(2, 2, {1, 0, 1, 1});
    auto h = scalar(100);
    // The matrices are read where they lie: the result is the one request.
    EXPECT_EQ(testsupport::expectEveryFailedRequestRefused(plugin(), 1,
                                                        {boxes.get(), regions.get(), m.get(), h.get(), h.get()},
                                                        "rectRefit:outOfMemory"),
              1u);
}

}  // namespace
