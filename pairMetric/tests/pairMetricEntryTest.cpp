#include "check.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::matrix;
using testsupport::scalar;

using testsupport::completed;
using testsupport::plugin;

namespace {

TEST(PairMetricEntry, OneRowInPairOrderFromColumnMajorArguments) {
    // Distances 1 2 4 / 9 8 6; lo stays 1.0, hi is 9. B's second column is unread.
    auto a = matrix(2, 1, {0, 10});
    auto b = matrix(3, 2, {1, 99, 2, -5, 4, NAN});
    auto r = plugin().call(1, {a.get(), b.get(), scalar(2).get()});
    ASSERT_TRUE(completed(r, 1, 6));
    EXPECT_EQ(testsupport::values(r.out()), (std::vector<double>{0, 0.125, 0.375, 1, 0.875, 0.625}));

    // Several columns: rows are read across the columns of the host's layout.
    auto a2 = matrix(2, 2, {0, 0, 3, 4});
    auto b2 = matrix(1, 2, {0, 0});
    auto euclid = plugin().call(1, {a2.get(), b2.get(), scalar(2).get()});
    ASSERT_TRUE(completed(euclid, 1, 2));
    EXPECT_EQ(testsupport::values(euclid.out()), (std::vector<double>{0, 1}));
    // Only the code's first element counts; 1 is histogram intersection.
    auto h = plugin().call(0, {matrix(1, 2, {1, 1}).get(), matrix(2, 2, {1, 1, 0, 0}).get(),
                               matrix(1, 2, {1, 2}).get()});
    ASSERT_TRUE(completed(h, 1, 2));
    EXPECT_EQ(testsupport::values(h.out()), (std::vector<double>{0, 1}));
}

TEST(PairMetricEntry, EmptySidesGiveOneByZero) {
    // An empty side with many rows of nothing is not copied at all.
    for (auto& [a, b] : {std::pair{testsupport::zeros(0, 2), testsupport::zeros(3, 2)},
                         std::pair{testsupport::zeros(3, 2), testsupport::zeros(0, 5)},
                         std::pair{testsupport::zeros(0, 0), testsupport::zeros(2147483647u, 0)}}) {
        auto r = plugin().call(1, {a.get(), b.get(), scalar(1).get()});
        EXPECT_TRUE(completed(r, 1, 0));
        EXPECT_EQ(r.allocations, 0u);
    }
}

TEST(PairMetricEntry, RefusesBadCallsCleanly) {
    auto a = matrix(2, 3, {1, 2, 3, 4, 5, 6});
    auto code = scalar(1);
    testsupport::expectArgumentChecks(plugin(),
                                   {"pairMetric", "D = pairMetric(A, B, code)", 1,
                                    {{"A"}, {"B", false, 3, "as many as A"}, {"code", true}}},
                                   {a.get(), a.get(), code.get()});
    // 50000 x 50000 pairs exceed the 32-bit count; no columns keep them cheap.
    auto tall = testsupport::zeros(50000, 0);
    testsupport::expectRefused(plugin(), {
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
        EXPECT_GE(testsupport::expectEveryFailedRequestRefused(plugin(), 1, {a.get(), b.get(), c.get()},
                                                            "pairMetric:outOfMemory", true),
                  2u);
    }
}

}  // namespace
