#include "check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

using testsupport::matrix;
using testsupport::scalar;
using testsupport::values;

using testsupport::completed;
using testsupport::plugin;

namespace {

TEST(RegionTallyEntry, ResultsForEveryNumberOfOutputs) {
    auto words = matrix(1, 3, {1, 2, 1});
    auto regions = matrix(3, 2, {1, 2, 0, 2, 2, 0});
    auto regionRow = matrix(1, 6, {1, 0, 2, 2, 2, 0});
    auto w = scalar(2.7), r = scalar(2);

    auto both = plugin().call(2, {words.get(), regions.get(), w.get(), r.get()});
    // The entry reads its arguments in place: nothing is allocated.
    ASSERT_TRUE(completed(both, 2, 2) && completed(both, 2, 1, 1));
    EXPECT_EQ(both.allocations, 0u);
    EXPECT_EQ(values(both.out(0)), (std::vector<double>{1, 0, 2, 1}));
    EXPECT_EQ(values(both.out(1)), (std::vector<double>{3, 1}));

    // Only the element counts matter; with fewer outputs only the first is made.
    for (int nlhs : {0, 1}) {
        auto one = plugin().call(nlhs, {words.get(), regionRow.get(), w.get(), r.get()});
        ASSERT_TRUE(completed(one, 2, 2));
        EXPECT_EQ(one.allocations, 0u);
        ASSERT_EQ(one.outputs.size(), 1u);
        EXPECT_EQ(values(one.out(0)), (std::vector<double>{1, 0, 2, 1}));
    }

    // Only whole blocks are read (the NaN tail is past them); with k = 0 nothing is.
    auto four = matrix(1, 4, {1, 1, 2, 2});
    auto tail = matrix(1, 10, {1, 0, 0, 1, 0, 1, 1, 0, NAN, NAN});
    auto partial = plugin().call(2, {four.get(), tail.get(), r.get(), scalar(1).get()});
    ASSERT_TRUE(completed(partial, 2, 1));
    EXPECT_EQ(values(partial.out(0)), (std::vector<double>{2, 2}));
    auto noBlock = plugin().call(2, {four.get(), matrix(1, 3, {NAN, 9, 1}).get(), r.get(), r.get()});
    ASSERT_TRUE(completed(noBlock, 2, 2));
    EXPECT_EQ(values(noBlock.out(0)), (std::vector<double>(4, 0.0)));
    EXPECT_EQ(values(noBlock.out(1)), (std::vector<double>(2, 0.0)));

    // W = 0 or R = 0 with no memberships gives empty results.
    auto none = testsupport::zeros(3, 2);
    auto zero = scalar(0);
    auto wEmpty = plugin().call(2, {words.get(), none.get(), zero.get(), r.get()});
    EXPECT_TRUE(completed(wEmpty, 0, 2) && completed(wEmpty, 0, 1, 1));
    auto rEmpty = plugin().call(2, {words.get(), none.get(), w.get(), zero.get()});
    ASSERT_TRUE(completed(rEmpty, 2, 0));
    EXPECT_EQ(values(rEmpty.out(1)), (std::vector<double>{0, 0}));
}

TEST(RegionTallyEntry, RefusesBadCallsWithItsOwnMessages) {
    auto words = matrix(1, 3, {1, 2, 1});
    auto regions = matrix(3, 2, {1, 2, 0, 2, 2, 0});
    auto two = scalar(2);
    auto single = testsupport::array(mxSINGLE_CLASS, {3, 1});
    auto complexRegions = testsupport::array(mxDOUBLE_CLASS, {3, 2}, true);
    auto sparseRegions = testsupport::array(mxDOUBLE_CLASS, {3, 2}, false, true);
    auto int32Count = testsupport::array(mxINT32_CLASS, {1, 1});
    auto empty = testsupport::zeros(0, 0);
    auto badRegion = matrix(3, 2, {1, 2, 0, 3.5, 2, 0});
    auto negRegion = matrix(3, 2, {1, 2, 0, 2, 2, -0.5});
    auto badWords = matrix(1, 3, {1, 2, NAN});
    auto nan = scalar(NAN), inf = scalar(INFINITY), minusOne = scalar(-1), big = scalar(2147483648.0);
    auto largest = scalar(2147483647.0);
    const mxArray* w = words.get();
    const mxArray* g = regions.get();
    const mxArray* t = two.get();
    const std::string tooManyOutputs = "Error: function has only two output parameters";
    const std::string notFourInputs = "Error: Needs exactly two four input parameters";
    testsupport::expectRefused(plugin(), {
        // The call's shape is checked first, outputs before inputs, before any argument is looked at.
        {3, {w, g, t, t}, "", tooManyOutputs},
        {3, {single.get(), g, t, t, t}, "", tooManyOutputs},
        {1, {}, "", notFourInputs},
        {2, {w, g, t}, "", notFourInputs},
        {0, {w, g, t, t, t}, "", notFourInputs},
        {1, {single.get(), g, t, t}, "",
         "Error: argument 1 (the word map) must be a real, full double array, but it is a single array"},
        {1, {w, complexRegions.get(), t, t}, "",
         "Error: argument 2 (the region index) must be a real, full double array, but it is a complex double "
         "array"},
        {1, {w, sparseRegions.get(), t, t}, "",
         "Error: argument 2 (the region index) must be a real, full double array, but it is a sparse double "
         "array"},
        {1, {w, g, int32Count.get(), t}, "",
         "Error: argument 3 (the number of words W) must be a real, full double array, but it is a int32 array"},
        {1, {empty.get(), g, t, t}, "", "Error: the word map is empty; it needs at least one location"},
        {1, {w, g, t, empty.get()}, "", "Error: argument 4 (the number of regions R) is empty; it must be a count"},
        {1, {w, g, nan.get(), t}, "", "Error: the number of words W is NaN; it must be a count from 0 to 2147483647"},
        {1, {w, g, t, inf.get()}, "", "Error: the number of regions R is Inf; it must be a count from 0 to 2147483647"},
        {1, {w, g, minusOne.get(), nan.get()}, "",
         "Error: the number of regions R is NaN; it must be a count from 0 to 2147483647"},
        {1, {w, g, big.get(), t}, "",
         "Error: the number of words W is 2147483648; it must be a count from 0 to 2147483647"},
        {1, {w, g, largest.get(), largest.get()}, "",
         "Error: a W x R table of 2147483647 x 2147483647 counts is too large to create"},
        // Found while counting, after the results were made: they are destroyed before the refusal.
        {2, {w, badRegion.get(), t, t}, "",
         "Error: element 5 of the region index (location 2, membership 2) is 3.5; a membership must be 0 or a "
         "region number from 1 to R, and R is 2"},
        {1, {w, negRegion.get(), t, t}, "",
         "Error: element 6 of the region index (location 3, membership 2) is -0.5; a membership must be 0 or a "
         "region number from 1 to R, and R is 2"},
        {2, {badWords.get(), g, t, t}, "",
         "Error: element 3 of the word map is NaN, but location 3 has a membership (element 3 of the region "
         "index); its word number must lie from 1 to W, and W is 2"},
    });
    // A plain message has no identifier, but its facts travel as fields.
    const auto refused = plugin().call(2, {w, badRegion.get(), t, t});
    EXPECT_EQ(refused.id, "");
    EXPECT_EQ(refused.refusal.reason, "badRegion");
    EXPECT_EQ(refused.refusal.argumentName, "regions");
    EXPECT_EQ(refused.refusal.element, 5);
    EXPECT_EQ(refused.refusal.value, 3.5);
}

TEST(RegionTallyEntry, OutOfMemoryIsRefusedCleanly) {
    auto words = matrix(1, 3, {1, 2, 1});
    auto regions = matrix(3, 2, {1, 2, 0, 2, 2, 0});
    auto two = scalar(2);
    const char* const messages[] = {"Error: out of memory: the 2 x 2 result could not be created",
                                    "Error: out of memory: the 2 x 1 result could not be created"};
    // The first result or the second cannot be made.
    for (std::size_t k : {1, 2}) {
        testsupport::failAllocation(k);
        testsupport::expectRefused(plugin(),
                                {{2, {words.get(), regions.get(), two.get(), two.get()}, "", messages[k - 1]}});
        testsupport::failAllocation(0);
    }

    // A tally large enough for a working table of counts: the table is freed
    // on every path, and failing to get it is refused like a result.
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> word(1, 300), region(0, 150);
    std::vector<double> manyWords(70000), manyRegions(70000);
    for (double& v : manyWords) v = word(rng);
    for (double& v : manyRegions) v = region(rng);
    auto big = testsupport::columnMajor(70000, 1, manyWords), bigRegions = testsupport::columnMajor(70000, 1, manyRegions);
    auto w = scalar(300), g = scalar(150);
    const std::vector<const mxArray*> args = {big.get(), bigRegions.get(), w.get(), g.get()};
    auto whole = plugin().call(2, args);
    ASSERT_TRUE(completed(whole, 300, 150));
    ASSERT_EQ(whole.allocations, 1u);
    ASSERT_EQ(whole.arraysCreated, 2u);
    std::vector<double> totals(300);
    for (int t = 0; t < 70000; ++t) totals[static_cast<int>(manyWords[t]) - 1] += manyRegions[t] != 0;
    EXPECT_EQ(values(whole.out(1)), totals);
    testsupport::failAllocation(3);
    auto r = plugin().call(2, args);
    testsupport::failAllocation(0);
    EXPECT_TRUE(r.raised);
    EXPECT_EQ(r.message, "Error: out of memory: the working table of counts could not be made");
    expectClean(r);
    // A membership it cannot count, met once the table is in use.
    manyRegions[69999] = 151;
    auto badRegions = testsupport::columnMajor(70000, 1, manyRegions);
    auto bad = plugin().call(1, {big.get(), badRegions.get(), w.get(), g.get()});
    EXPECT_TRUE(bad.raised);
    EXPECT_EQ(bad.message.rfind("Error: element 70000 of the region index (location 70000, membership 1) is 151;", 0),
              0u)
        << bad.message;
    expectClean(bad);
}

}  // namespace
