#include "check.h"

#include <gtest/gtest.h>

#include <cmath>

using testsupport::matrix;

using testsupport::completed;
using testsupport::plugin;

namespace {

TEST(CoverTestEntry, BoxesGiveTheRowsAndRegionBoxesTheColumns) {
    // Extra columns on either side are not read.
    auto regions = matrix(2, 5, {1, 1, 5, 5, 99,  //
                                 20, 20, 4, 4, NAN});
    auto boxes = matrix(3, 6, {0, 0, 10, 10, NAN, 7,  //
                               18, 18, 10, 10, 1, 1,  //
                               0, 0, 30, 30, 0, 0});
    auto r = plugin().call(1, {regions.get(), boxes.get()});
    ASSERT_TRUE(completed(r, 3, 2));
    EXPECT_EQ(testsupport::values(r.out()), (std::vector<double>{1, 0, 1, 0, 1, 1}));

    EXPECT_TRUE(completed(plugin().call(0, {regions.get(), testsupport::zeros(0, 4).get()}), 0, 2));
    EXPECT_TRUE(completed(plugin().call(1, {testsupport::zeros(0, 7).get(), boxes.get()}), 3, 0));
}

TEST(CoverTestEntry, RefusesBadCallsCleanly) {
    auto good = matrix(1, 4, {1, 1, 10, 10});
    testsupport::expectArgumentChecks(plugin(),
                                   {"coverTest", "flags = coverTest(regionBoxes, boxes)", 1,
                                    {{"regionBoxes", false, 4, "x, y, w, h"}, {"boxes", false, 4, "x, y, w, h"}}},
                                   {good.get(), good.get()});
}

TEST(CoverTestEntry, EveryFailedAllocationEndsInACleanError) {
    auto regions = matrix(2, 4, {1, 1, 5, 5, 20, 20, 4, 4});
    auto boxes = matrix(3, 4, {0, 0, 10, 10, 18, 18, 10, 10, 0, 0, 30, 30});
    // The result is the one request: the boxes are read where the host keeps them.
    EXPECT_EQ(testsupport::expectEveryFailedRequestRefused(plugin(), 1, {regions.get(), boxes.get()},
                                                        "coverTest:outOfMemory"),
              1u);
}

}  // namespace
