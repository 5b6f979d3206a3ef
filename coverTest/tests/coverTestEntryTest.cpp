#include "check.h"

#include <gtest/gtest.h>

#include <cmath>

using testhost::matrix;

using testhost::expectClean;
using testhost::plugin;

namespace {

TEST(CoverTestEntry, BoxesGiveTheRowsAndRegionBoxesTheColumns) {
    // Extra columns on either side are not read.
    auto regions = matrix(2, 5, {1, 1, 5, 5, 99,  //
                                 20, 20, 4, 4, NAN});
    auto boxes = matrix(3, 6, {0, 0, 10, 10, NAN, 7,  //
                               18, 18, 10, 10, 1, 1,  //
                               0, 0, 30, 30, 0, 0});
    auto r = plugin().call(1, {regions.get(), boxes.get()});
    ASSERT_FALSE(r.raised) << r.message;
    expectClean(r);
    ASSERT_EQ(mxGetM(r.out()), 3u);
    ASSERT_EQ(mxGetN(r.out()), 2u);
    EXPECT_EQ(testhost::values(r.out()), (std::vector<double>{1, 0, 1, 0, 1, 1}));

    auto noBoxes = plugin().call(0, {regions.get(), testhost::zeros(0, 4).get()});
    ASSERT_FALSE(noBoxes.raised);
    EXPECT_EQ(mxGetM(noBoxes.out()), 0u);
    EXPECT_EQ(mxGetN(noBoxes.out()), 2u);
    auto noRegions = plugin().call(1, {testhost::zeros(0, 7).get(), boxes.get()});
    ASSERT_FALSE(noRegions.raised);
    EXPECT_EQ(mxGetM(noRegions.out()), 3u);
    EXPECT_EQ(mxGetN(noRegions.out()), 0u);
    expectClean(noRegions);
}

TEST(CoverTestEntry, RefusesBadCallsCleanly) {
    auto good = matrix(1, 4, {1, 1, 10, 10});
    auto narrow = testhost::zeros(3, 3);
    auto empty = testhost::zeros(0, 0);
    auto single = testhost::array(mxSINGLE_CLASS, {1, 4});
    auto complexBoxes = testhost::array(mxDOUBLE_CLASS, {1, 4}, true);
    auto sparseBoxes = testhost::array(mxDOUBLE_CLASS, {1, 4}, false, true);
    auto cube = testhost::array(mxDOUBLE_CLASS, {1, 4, 2});
    auto logical = testhost::array(mxLOGICAL_CLASS, {1, 4});
    testhost::expectRefused(plugin(), {
        {1, {}, "coverTest:tooFewInputs",
         "Not enough arguments: the call is flags = coverTest(regionBoxes, boxes), with 2 arguments, but 0 "
         "came."},
        {1, {good.get()}, "coverTest:tooFewInputs",
         "Not enough arguments: the call is flags = coverTest(regionBoxes, boxes), with 2 arguments, but 1 "
         "came."},
        {1, {good.get(), good.get(), good.get()}, "coverTest:tooManyInputs",
         "Too many arguments: the call is flags = coverTest(regionBoxes, boxes), with 2 arguments, but 3 came."},
        {2, {good.get(), good.get()}, "coverTest:tooManyOutputs",
         "coverTest returns 1 result, but 2 were asked for."},
        {1, {single.get(), good.get()}, "coverTest:notRealDoubleMatrix",
         "Argument 1 (regionBoxes) must be a real, full double matrix, but a 1x4 single matrix came."},
        {1, {good.get(), complexBoxes.get()}, "coverTest:notRealDoubleMatrix",
         "Argument 2 (boxes) must be a real, full double matrix, but a 1x4 complex double matrix came."},
        {1, {sparseBoxes.get(), good.get()}, "coverTest:notRealDoubleMatrix",
         "Argument 1 (regionBoxes) must be a real, full double matrix, but a 1x4 sparse double matrix came."},
        {1, {good.get(), cube.get()}, "coverTest:notRealDoubleMatrix",
         "Argument 2 (boxes) must be a real, full double matrix, but a 1x4x2 double array came."},
        {1, {good.get(), logical.get()}, "coverTest:notRealDoubleMatrix",
         "Argument 2 (boxes) must be a real, full double matrix, but a 1x4 logical matrix came."},
        {1, {narrow.get(), good.get()}, "coverTest:tooFewColumns",
         "Argument 1 (regionBoxes) needs at least 4 columns (x, y, w, h), but a 3x3 double matrix came."},
        {1, {good.get(), narrow.get()}, "coverTest:tooFewColumns",
         "Argument 2 (boxes) needs at least 4 columns (x, y, w, h), but a 3x3 double matrix came."},
        {1, {good.get(), empty.get()}, "coverTest:tooFewColumns",
         "Argument 2 (boxes) needs at least 4 columns (x, y, w, h), but a 0x0 double matrix came."},
    });
}

TEST(CoverTestEntry, EveryFailedAllocationEndsInACleanError) {
    auto regions = matrix(2, 4, {1, 1, 5, 5, 20, 20, 4, 4});
    auto boxes = matrix(3, 4, {0, 0, 10, 10, 18, 18, 10, 10, 0, 0, 30, 30});
    // Two pointer tables and five rows, then the result.
    EXPECT_EQ(testhost::expectEveryFailedRequestRefused(plugin(), 1, {regions.get(), boxes.get()},
                                                        "coverTest:outOfMemory"),
              8u);
}

}  // namespace
