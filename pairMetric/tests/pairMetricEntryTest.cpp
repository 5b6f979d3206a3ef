#include "check.h"

#include <gtest/gtest.h>

#include <cmath>

using testhost::matrix;
using testhost::scalar;

using testhost::expectClean;
using testhost::plugin;

namespace {

TEST(PairMetricEntry, OneRowInPairOrderFromColumnMajorArguments) {
    // Distances 1 2 4 / 9 8 6; lo stays 1.0, hi is 9. B's second column is unread.
    auto a = matrix(2, 1, {0, 10});
    auto b = matrix(3, 2, {1, 99, 2, -5, 4, NAN});
    auto r = plugin().call(1, {a.get(), b.get(), scalar(2).get()});
    ASSERT_FALSE(r.raised) << r.message;
    expectClean(r);
    ASSERT_EQ(mxGetM(r.out()), 1u);
    ASSERT_EQ(mxGetN(r.out()), 6u);
    EXPECT_EQ(testhost::values(r.out()), (std::vector<double>{0, 0.125, 0.375, 1, 0.875, 0.625}));

    // Several columns: rows are read across the columns of the host's layout.
    auto a2 = matrix(2, 2, {0, 0, 3, 4});
    auto b2 = matrix(1, 2, {0, 0});
    auto euclid = plugin().call(1, {a2.get(), b2.get(), scalar(2).get()});
    ASSERT_FALSE(euclid.raised);
    EXPECT_EQ(testhost::values(euclid.out()), (std::vector<double>{0, 1}));
    // Only the code's first element counts; 1 is histogram intersection.
    auto h = plugin().call(0, {matrix(1, 2, {1, 1}).get(), matrix(2, 2, {1, 1, 0, 0}).get(),
                               matrix(1, 2, {1, 2}).get()});
    ASSERT_FALSE(h.raised);
    EXPECT_EQ(testhost::values(h.out()), (std::vector<double>{0, 1}));
}

TEST(PairMetricEntry, EmptySidesGiveOneByZero) {
    // An empty side with many rows of nothing is not copied at all.
    for (auto& [a, b] : {std::pair{testhost::zeros(0, 2), testhost::zeros(3, 2)},
                         std::pair{testhost::zeros(3, 2), testhost::zeros(0, 5)},
                         std::pair{testhost::zeros(0, 0), testhost::zeros(2147483647u, 0)}}) {
        auto r = plugin().call(1, {a.get(), b.get(), scalar(1).get()});
        ASSERT_FALSE(r.raised) << r.message;
        expectClean(r);
        EXPECT_EQ(r.allocations, 0u);
        EXPECT_EQ(mxGetM(r.out()), 1u);
        EXPECT_EQ(mxGetN(r.out()), 0u);
    }
}

TEST(PairMetricEntry, RefusesBadCallsCleanly) {
    auto a = matrix(2, 3, {1, 2, 3, 4, 5, 6});
    auto code = scalar(1);
    auto narrow = testhost::zeros(4, 2);
    auto empty = testhost::zeros(0, 0);
    auto emptyRow = testhost::zeros(1, 0);
    auto single = testhost::array(mxSINGLE_CLASS, {2, 3});
    auto complexA = testhost::array(mxDOUBLE_CLASS, {2, 3}, true);
    auto sparseB = testhost::array(mxDOUBLE_CLASS, {2, 3}, false, true);
    auto cube = testhost::array(mxDOUBLE_CLASS, {2, 3, 2});
    auto logicalCode = testhost::array(mxLOGICAL_CLASS, {1, 1});
    // 50000 x 50000 pairs exceed the 32-bit count; no columns keep them cheap.
    auto tall = testhost::zeros(50000, 0);
    testhost::expectRefused(plugin(), {
        {1, {}, "pairMetric:tooFewInputs",
         "Not enough arguments: the call is D = pairMetric(A, B, code), with 3 arguments, but 0 came."},
        {1, {a.get()}, "pairMetric:tooFewInputs",
         "Not enough arguments: the call is D = pairMetric(A, B, code), with 3 arguments, but 1 came."},
        {1, {a.get(), a.get()}, "pairMetric:tooFewInputs",
         "Not enough arguments: the call is D = pairMetric(A, B, code), with 3 arguments, but 2 came."},
        {1, {a.get(), a.get(), code.get(), code.get()}, "pairMetric:tooManyInputs",
         "Too many arguments: the call is D = pairMetric(A, B, code), with 3 arguments, but 4 came."},
        {2, {a.get(), a.get(), code.get()}, "pairMetric:tooManyOutputs",
         "pairMetric returns 1 result, but 2 were asked for."},
        {1, {single.get(), a.get(), code.get()}, "pairMetric:notRealDoubleMatrix",
         "Argument 1 (A) must be a real, full double matrix, but a 2x3 single matrix came."},
        {1, {complexA.get(), a.get(), code.get()}, "pairMetric:notRealDoubleMatrix",
         "Argument 1 (A) must be a real, full double matrix, but a 2x3 complex double matrix came."},
        {1, {a.get(), sparseB.get(), code.get()}, "pairMetric:notRealDoubleMatrix",
         "Argument 2 (B) must be a real, full double matrix, but a 2x3 sparse double matrix came."},
        {1, {a.get(), cube.get(), code.get()}, "pairMetric:notRealDoubleMatrix",
         "Argument 2 (B) must be a real, full double matrix, but a 2x3x2 double array came."},
        {1, {a.get(), a.get(), logicalCode.get()}, "pairMetric:notRealDoubleMatrix",
         "Argument 3 (code) must be a real, full double matrix, but a 1x1 logical matrix came."},
        {1, {a.get(), narrow.get(), code.get()}, "pairMetric:tooFewColumns",
         "Argument 2 (B) needs at least 3 columns (as many as A), but a 4x2 double matrix came."},
        {1, {a.get(), empty.get(), code.get()}, "pairMetric:tooFewColumns",
         "Argument 2 (B) needs at least 3 columns (as many as A), but a 0x0 double matrix came."},
        {1, {a.get(), a.get(), empty.get()}, "pairMetric:emptyArgument",
         "Argument 3 (code) must hold at least one element, but a 0x0 double matrix came."},
        {1, {a.get(), a.get(), emptyRow.get()}, "pairMetric:emptyArgument",
         "Argument 3 (code) must hold at least one element, but a 1x0 double matrix came."},
        {1, {tall.get(), tall.get(), code.get()}, "pairMetric:tooLarge",
         "The pair count (rows of A times rows of B) is 2500000000, more than the largest count handled, "
         "2147483647."},
    });
}

TEST(PairMetricEntry, EveryFailedAllocationEndsCleanly) {
    auto a = matrix(3, 2, {0.1, 0.9, 0.5, 0.5, 0.3, 0.2});
    auto b = matrix(2, 3, {0.2, 0.8, 7, 0.6, 0.1, 7});
    // Codes 1 and 2 take the packed copy of A and B on a vector level and the
    // row tables on the scalar one; code 3 always takes the row tables. At
    // least the result and one working block are asked for; a call that can
    // do without a block it did not get must still give the same result.
    for (double code : {1.0, 2.0, 3.0}) {
        auto c = scalar(code);
        EXPECT_GE(testhost::expectEveryFailedRequestRefused(plugin(), 1, {a.get(), b.get(), c.get()},
                                                            "pairMetric:outOfMemory", true),
                  2u);
    }
}

}  // namespace
