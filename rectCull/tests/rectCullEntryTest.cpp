#include "check.h"

#include <gtest/gtest.h>

#include <cmath>

using testhost::matrix;
using testhost::scalar;

using testhost::expectClean;
using testhost::plugin;

namespace {

TEST(RectCullEntry, ResultShapeTruncationAndExtraColumns) {
    auto boxes = matrix(3, 7, {10.7, -3.7, 20, 20, 0.5, 9, 9,     //
                               12, -3, 20, 20, 0.9, 9, 9,         //
                               500, 500, 20.9, 20.2, 0.1, 9, 9});
    auto r = plugin().call(1, {boxes.get(), scalar(0.3).get()});
    ASSERT_FALSE(r.raised) << r.message;
    expectClean(r);
    ASSERT_EQ(mxGetM(r.out()), 2u);
    ASSERT_EQ(mxGetN(r.out()), 6u);
    // Best first; columns past x, y, w, h stay 0; coordinates come back truncated.
    EXPECT_EQ(testhost::values(r.out()),
              (std::vector<double>{12, 500, -3, 500, 20, 20, 20, 20, 0, 0, 0, 0}));
}

TEST(RectCullEntry, ThresholdIsTheFirstElementInSinglePrecision) {
    auto boxes = matrix(2, 5, {0, 0, 100, 100, 1, 0, 0, 100, 100, 2});
    auto empty = plugin().call(1, {boxes.get(), scalar(0.99).get()});
    ASSERT_FALSE(empty.raised);
    EXPECT_EQ(mxGetM(empty.out()), 0u);
    EXPECT_EQ(mxGetN(empty.out()), 4u);

    auto first = plugin().call(1, {boxes.get(), matrix(1, 2, {0.98, 5}).get()});
    ASSERT_FALSE(first.raised);
    EXPECT_EQ(mxGetM(first.out()), 1u);

    auto none = plugin().call(0, {testhost::zeros(0, 5).get(), scalar(0.5).get()});
    ASSERT_FALSE(none.raised);
    EXPECT_EQ(mxGetM(none.out()), 0u);
    EXPECT_EQ(mxGetN(none.out()), 4u);
}

TEST(RectCullEntry, RefusesBadCallsCleanly) {
    auto boxes = matrix(1, 5, {0, 0, 10, 10, 1});
    auto t = scalar(0.5);
    auto nanBox = matrix(2, 5, {0, 0, 1, 1, 1, 0, NAN, 1, 1, 1});
    auto farBox = matrix(1, 5, {3e9, 0, 1, 1, 1});
    auto single = testhost::array(mxSINGLE_CLASS, {1, 5});
    auto complexBoxes = testhost::array(mxDOUBLE_CLASS, {1, 5}, true);
    auto sparseBoxes = testhost::array(mxDOUBLE_CLASS, {1, 5}, false, true);
    auto cube = testhost::array(mxDOUBLE_CLASS, {1, 5, 2});
    auto narrow = testhost::zeros(3, 4);
    auto empty = testhost::zeros(0, 0);
    auto logicalT = testhost::array(mxLOGICAL_CLASS, {1, 1});
    testhost::expectRefused(plugin(), {
        {1, {}, "rectCull:tooFewInputs",
         "Not enough arguments: the call is kept = rectCull(boxes, threshold), with 2 arguments, but 0 came."},
        {1, {boxes.get()}, "rectCull:tooFewInputs",
         "Not enough arguments: the call is kept = rectCull(boxes, threshold), with 2 arguments, but 1 came."},
        {1, {boxes.get(), t.get(), t.get()}, "rectCull:tooManyInputs",
         "Too many arguments: the call is kept = rectCull(boxes, threshold), with 2 arguments, but 3 came."},
        {2, {boxes.get(), t.get()}, "rectCull:tooManyOutputs",
         "rectCull returns 1 result, but 2 were asked for."},
        {1, {single.get(), t.get()}, "rectCull:notRealDoubleMatrix",
         "Argument 1 (boxes) must be a real, full double matrix, but a 1x5 single matrix came."},
        {1, {complexBoxes.get(), t.get()}, "rectCull:notRealDoubleMatrix",
         "Argument 1 (boxes) must be a real, full double matrix, but a 1x5 complex double matrix came."},
        {1, {sparseBoxes.get(), t.get()}, "rectCull:notRealDoubleMatrix",
         "Argument 1 (boxes) must be a real, full double matrix, but a 1x5 sparse double matrix came."},
        {1, {cube.get(), t.get()}, "rectCull:notRealDoubleMatrix",
         "Argument 1 (boxes) must be a real, full double matrix, but a 1x5x2 double array came."},
        {1, {boxes.get(), logicalT.get()}, "rectCull:notRealDoubleMatrix",
         "Argument 2 (threshold) must be a real, full double matrix, but a 1x1 logical matrix came."},
        {1, {narrow.get(), t.get()}, "rectCull:tooFewColumns",
         "Argument 1 (boxes) needs at least 5 columns (x, y, w, h, score), but a 3x4 double matrix came."},
        {1, {empty.get(), t.get()}, "rectCull:tooFewColumns",
         "Argument 1 (boxes) needs at least 5 columns (x, y, w, h, score), but a 0x0 double matrix came."},
        {1, {boxes.get(), empty.get()}, "rectCull:emptyArgument",
         "Argument 2 (threshold) must hold at least one element, but a 0x0 double matrix came."},
        {1, {nanBox.get(), t.get()}, "rectCull:badCoordinate",
         "Box 2 has y = NaN; box coordinates must be numbers."},
        {1, {farBox.get(), t.get()}, "rectCull:badCoordinate",
         "Box 1 has x = 3e+09; box coordinates must lie between -2147483648 and 2147483647."},
    });
}

TEST(RectCullEntry, EveryFailedAllocationEndsInACleanError) {
    auto boxes = matrix(3, 6, {0, 0, 10, 10, 1, 0, 1, 1, 10, 10, 2, 0, 50, 50, 5, 5, 3, 0});
    auto t = scalar(0.5);
    const std::size_t made = testhost::expectEveryFailedRequestRefused(plugin(), 1, {boxes.get(), t.get()},
                                                                       "rectCull:outOfMemory");
    ASSERT_GT(made, 3u);
    // A host that throws when it cannot make the result (the last request) is out of memory too.
    testhost::failCreationsByThrowing(true);
    testhost::failAllocation(made);
    auto r = plugin().call(1, {boxes.get(), t.get()});
    testhost::failAllocation(0);
    testhost::failCreationsByThrowing(false);
    EXPECT_EQ(r.id, "rectCull:outOfMemory");
    expectClean(r);
}

}  // namespace
