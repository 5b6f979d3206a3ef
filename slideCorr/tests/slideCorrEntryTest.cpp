#include "check.h"

#include <gtest/gtest.h>

using testsupport::matrix;

using testsupport::completed;
using testsupport::plugin;

namespace {

TEST(SlideCorrEntry, ReadsColumnMajorAndReturnsTheMapColumnByColumn) {
    // Non-square A and K: S(i, j) = A(i, j) + 2 A(i + 1, j + 2); P = 2, Q = 2.
    auto a = matrix(3, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    auto k = matrix(2, 3, {1, 0, 0, 0, 0, 2});
    auto r = plugin().call(1, {a.get(), k.get()});
    ASSERT_TRUE(completed(r, 4, 1));
    EXPECT_EQ(testsupport::values(r.out()), (std::vector<double>{15, 27, 18, 30}));

    // nlhs = 0 still gives the result; a K of A's size gives one sum.
    auto same = plugin().call(0, {matrix(2, 3, {1, 2, 3, 4, 5, 6}).get(), matrix(2, 3, {1, 1, 1, 1, 1, 1}).get()});
    ASSERT_TRUE(completed(same, 1, 1));
    EXPECT_EQ(testsupport::values(same.out()), (std::vector<double>{21}));
}

TEST(SlideCorrEntry, EmptyKernelsAndKernelsThatDoNotFit) {
    auto a = matrix(2, 3, {1, 2, 3, 4, 5, 6});
    auto r = plugin().call(1, {a.get(), testsupport::zeros(0, 0).get()});
    ASSERT_TRUE(completed(r, 12, 1));
    EXPECT_EQ(testsupport::values(r.out()), std::vector<double>(12, 0.0));

    struct Case {
        std::size_t M, N, m, n;
    } none[] = {
        {0, 0, 1, 1},  // one row too tall
        {2, 3, 2, 4},  // one column too wide
        {2, 3, 3, 4},  // both
        {2, 3, 7, 1},  // far too tall
        {2, 3, 1, 9},  // far too wide
        {2, 3, 0, 5},  // empty, yet too wide
    };
    for (const Case& c : none) {
        auto rn = plugin().call(1, {testsupport::zeros(c.M, c.N).get(), testsupport::zeros(c.m, c.n).get()});
        EXPECT_TRUE(completed(rn, 0, 1));
        EXPECT_EQ(rn.allocations, 0u);
    }
}

TEST(SlideCorrEntry, RefusesBadCallsCleanly) {
    auto a = matrix(2, 2, {1, 2, 3, 4});
    testsupport::expectArgumentChecks(plugin(), {"slideCorr", "sums = slideCorr(A, K)", 1, {{"A"}, {"K"}}},
                                   {a.get(), a.get()});
    // An empty K on a 0 x (2^31 - 1) A has 2^31 window positions.
    auto longEmpty = testsupport::zeros(0, 2147483647u);
    testsupport::expectRefused(plugin(), {
        {1, {longEmpty.get(), testsupport::zeros(0, 0).get()}, "slideCorr:tooLarge",
         "The number of window positions is 2147483648, more than the largest count handled, 2147483647."},
    });
}

TEST(SlideCorrEntry, EveryFailedAllocationEndsInACleanError) {
    auto a = matrix(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    auto k = matrix(2, 2, {1, 0, 0, 1});
    // The result is the one request: A and K are read where the host keeps them.
    EXPECT_EQ(testsupport::expectEveryFailedRequestRefused(plugin(), 1, {a.get(), k.get()}, "slideCorr:outOfMemory"),
              1u);
}

}  // namespace
