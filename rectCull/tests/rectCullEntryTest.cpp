#include "check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using testsupport::matrix;
using testsupport::scalar;

using testsupport::completed;
using testsupport::plugin;

namespace {

TEST(RectCullEntry, ResultShapeTruncationAndExtraColumns) {
    auto boxes = matrix(3, 7, {10.7, -3.7, 20, 20, 0.5, 9, 9,     //
                               12, -3, 20, 20, 0.9, 9, 9,         //
                               500, 500, 20.9, 20.2, 0.1, 9, 9});
    auto r = plugin().call(1, {boxes.get(), scalar(0.3).get()});
    ASSERT_TRUE(completed(r, 2, 6));
    // Best first; columns past x, y, w, h stay 0; coordinates come back truncated.
    EXPECT_EQ(testsupport::values(r.out()),
              (std::vector<double>{12, 500, -3, 500, 20, 20, 20, 20, 0, 0, 0, 0}));
    // Asked for, the rows the kept boxes came from, counted from 1, best first;
    // twins that the threshold lets through are told apart by their rows.
    auto twins = matrix(3, 5, {0, 0, 9, 9, 0.2, 0, 0, 9, 9, 0.9, 0, 0, 9, 9, 0.5});
    r = plugin().call(2, {twins.get(), scalar(0.95).get()});
    ASSERT_TRUE(completed(r, 3, 4));
    EXPECT_EQ(testsupport::values(r.out(1)), (std::vector<double>{2, 3, 1}));
}

TEST(RectCullEntry, ThresholdIsTheFirstElementInSinglePrecision) {
    auto boxes = matrix(2, 5, {0, 0, 100, 100, 1, 0, 0, 100, 100, 2});
    EXPECT_TRUE(completed(plugin().call(1, {boxes.get(), scalar(0.99).get()}), 0, 4));
    EXPECT_TRUE(completed(plugin().call(1, {boxes.get(), matrix(1, 2, {0.98, 5}).get()}), 1, 4));
    EXPECT_TRUE(completed(plugin().call(0, {testsupport::zeros(0, 5).get(), scalar(0.5).get()}), 0, 4));
}

TEST(RectCullEntry, RefusesBadCallsCleanly) {
    auto boxes = matrix(1, 5, {0, 0, 10, 10, 1});
    auto t = scalar(0.5);
    testsupport::expectArgumentChecks(plugin(),
                                   {"rectCull",
                                    "[kept, keptRows, keptScores] = rectCull(boxes, threshold[, groups][, name, "
                                    "value, ...])",
                                    3, {{"boxes", false, 5, "x, y, w, h, score"}, {"threshold", true}}, 13},
                                   {boxes.get(), t.get()});
    // A value no 32-bit coordinate can hold, in each of the four coordinate
    // columns of the second box: refused, naming the box and the column.
    const struct {
        double value;
        const char* says;
    } badValues[] = {{NAN, "NaN; box coordinates must be numbers."},
                     {INFINITY, "inf; box coordinates must lie between -2147483648 and 2147483647."},
                     {-INFINITY, "-inf; box coordinates must lie between -2147483648 and 2147483647."},
                     {2147483648.0, "2.14748e+09; box coordinates must lie between -2147483648 and 2147483647."},
                     {-3e9, "-3e+09; box coordinates must lie between -2147483648 and 2147483647."}};
    const char* const columns[] = {"x", "y", "w", "h"};
    std::vector<testsupport::ArrayPtr> badBoxes;
    std::vector<testsupport::BadCall> bad;
    for (const auto& v : badValues)
        for (int j = 0; j < 4; ++j) {
            std::vector<double> data = {0, 0, 0, 0, 1, 1, 1, 1, 1, 1};  // column-major, two unit boxes
            data[static_cast<std::size_t>(2 * j + 1)] = v.value;
            badBoxes.push_back(testsupport::columnMajor(2, 5, data));
            bad.push_back({1, {badBoxes.back().get(), t.get()}, "rectCull:badCoordinate",
                           std::string("Box 2 has ") + columns[j] + " = " + v.says});
        }
    testsupport::expectRefused(plugin(), bad);
    auto twoBoxes = matrix(2, 5, {0, 0, 10, 10, 1, 0, 0, 10, 10, 2});
    testsupport::expectRefused(plugin(), {
        {1, {twoBoxes.get(), t.get(), matrix(1, 3, {1, 2, 3}).get()}, "rectCull:groupCount",
         "Argument 3 (groups) needs one group per box, 2 elements, but a 1x3 matrix came."},
        {1, {twoBoxes.get(), t.get(), matrix(2, 1, {1, NAN}).get()}, "rectCull:badGroup",
         "Box 2 has group NaN; groups must be numbers."},
    });
    // The refusal's facts travel as fields too: argument 1, element 2 (row 2 of column x).
    const auto refused = plugin().call(1, {badBoxes.front().get(), t.get()});
    EXPECT_EQ(refused.refusal.reason, "badCoordinate");
    EXPECT_EQ(refused.refusal.argument, 1);
    EXPECT_EQ(refused.refusal.argumentName, "boxes");
    EXPECT_EQ(refused.refusal.element, 2);
    EXPECT_TRUE(refused.refusal.hasValue && std::isnan(refused.refusal.value));
    // Twins in groups -0 and +0 are one group; in groups 1 and 2 both stay.
    auto r = plugin().call(2, {twoBoxes.get(), t.get(), matrix(2, 1, {-0.0, 0.0}).get()});
    ASSERT_TRUE(completed(r, 1, 4));
    r = plugin().call(2, {twoBoxes.get(), t.get(), matrix(1, 2, {1, 2}).get()});
    ASSERT_TRUE(completed(r, 2, 4));
    EXPECT_EQ(testsupport::values(r.out(1)), (std::vector<double>{2, 1}));
}

TEST(RectCullEntry, OptionsByNameInAnyCaseAndTheirRefusals) {
    using testsupport::text;
    auto boxes = matrix(3, 6, {0.5, 0, 10, 10, 0.5, 7, 1.25, 1, 10, 10, 0.9, 7, 100, 100, 5, 5, 0.2, 7});
    auto t = scalar(0.3), groups = matrix(3, 1, {1, 2, 1});
    auto maxKept = text("maxkept"), one = scalar(1), rule = text("Rule"), plain = text("PLAIN");
    auto decay = text("Decay"), linear = text("linear");
    // The plain rule returns the coordinates as given; the cap keeps the best one.
    auto r = plugin().call(3, {boxes.get(), t.get(), groups.get(), maxKept.get(), one.get(), rule.get(), plain.get()});
    ASSERT_TRUE(completed(r, 1, 5));
    EXPECT_EQ(testsupport::values(r.out()), (std::vector<double>{1.25, 1, 10, 10, 0}));
    EXPECT_EQ(testsupport::values(r.out(1)), (std::vector<double>{2}));
    EXPECT_EQ(testsupport::values(r.out(2)), (std::vector<double>{0.9}));
    // Linear decay: the overlapping box stays, lowered by its overlap 9.25 * 9 / (200 - 9.25 * 9).
    r = plugin().call(3, {boxes.get(), t.get(), rule.get(), plain.get(), decay.get(), linear.get()});
    ASSERT_TRUE(completed(r, 3, 5));
    EXPECT_EQ(testsupport::values(r.out(2)), (std::vector<double>{0.9, 0.2, 0.5 * (1 - 83.25 / (200 - 83.25))}));

    auto nan = scalar(NAN), minusOne = scalar(-1), half = scalar(0.5), zero = scalar(0), two = matrix(1, 2, {1, 2});
    auto sigma = text("Sigma"), floor = text("ScoreFloor"), ratio = text("RatioType"), max = text("max");
    auto bogus = text("Bogus"), longName = text(std::string(40, 'a'));
    const std::string options = "the options are MaxKept, ScoreFloor, RatioType, Decay, Sigma or Rule.";
    testsupport::expectRefused(plugin(), {
        {1, {boxes.get(), nan.get()}, "rectCull:badThreshold",
         "Argument 2 (threshold) is NaN; the overlap threshold must be a number."},
        {1, {boxes.get(), nan.get(), rule.get(), plain.get()}, "rectCull:badThreshold",
         "Argument 2 (threshold) is NaN; the overlap threshold must be a number."},
        {1, {boxes.get(), t.get(), maxKept.get(), minusOne.get()}, "rectCull:badMaxKept",
         "Option MaxKept (argument 4) must be a whole number from 0 up, or Inf, but -1 came."},
        {1, {boxes.get(), t.get(), groups.get(), maxKept.get(), half.get()}, "rectCull:badMaxKept",
         "Option MaxKept (argument 5) must be a whole number from 0 up, or Inf, but 0.5 came."},
        {1, {boxes.get(), t.get(), maxKept.get(), two.get()}, "rectCull:notRealScalar",
         "Argument 4 (MaxKept) must be a real double scalar, but a 1x2 double matrix came."},
        {1, {boxes.get(), t.get(), sigma.get(), zero.get()}, "rectCull:badSigma",
         "Option Sigma (argument 4) must be greater than 0, but 0 came."},
        {1, {boxes.get(), t.get(), sigma.get(), nan.get()}, "rectCull:badSigma",
         "Option Sigma (argument 4) must be greater than 0, but nan came."},
        {1, {boxes.get(), t.get(), floor.get(), nan.get()}, "rectCull:badScoreFloor",
         "Option ScoreFloor (argument 4) is NaN; it must be a number."},
        {1, {boxes.get(), t.get(), ratio.get(), max.get()}, "rectCull:badOptionValue",
         "Option RatioType (argument 4) must be 'Union' or 'Min', but 'max' came."},
        {1, {boxes.get(), t.get(), decay.get(), one.get()}, "rectCull:badOptionValue",
         "Option Decay (argument 4) must be 'none', 'linear' or 'gaussian', but a 1x1 double matrix came."},
        {1, {boxes.get(), t.get(), rule.get(), max.get()}, "rectCull:badOptionValue",
         "Option Rule (argument 4) must be 'pipeline' or 'plain', but 'max' came."},
        {1, {boxes.get(), t.get(), bogus.get(), one.get()}, "rectCull:unknownOption",
         "Argument 3, 'Bogus', is not an option of rectCull: " + options},
        {1, {boxes.get(), t.get(), longName.get(), one.get()}, "rectCull:unknownOption",
         "Argument 3, a 1x40 char matrix, is not an option of rectCull: " + options},
        {1, {boxes.get(), t.get(), groups.get(), sigma.get()}, "rectCull:optionWithoutValue",
         "Option Sigma (argument 4) needs a value after it."},
    });
    // The plain rule takes any finite coordinate, and refuses infinite ones.
    auto far = matrix(1, 5, {3e9, 0, 1, 1, 1}), infinite = matrix(1, 5, {0, 0, INFINITY, 1, 1});
    EXPECT_TRUE(completed(plugin().call(1, {far.get(), t.get(), rule.get(), plain.get()}), 1, 4));
    testsupport::expectRefused(plugin(), {{1, {infinite.get(), t.get(), rule.get(), plain.get()}, "rectCull:badCoordinate",
                                        "Box 1 has w = inf; box coordinates must be finite."}});
}

TEST(RectCullEntry, EveryFailedAllocationEndsInACleanError) {
    auto boxes = matrix(3, 6, {0, 0, 10, 10, 1, 0, 1, 1, 10, 10, 2, 0, 50, 50, 5, 5, 3, 0});
    auto t = scalar(0.5);
    EXPECT_GT(testsupport::expectEveryFailedRequestRefused(plugin(), 1, {boxes.get(), t.get()}, "rectCull:outOfMemory"),
              3u);
    auto groups = matrix(3, 1, {1, 2, 1});
    EXPECT_GT(testsupport::expectEveryFailedRequestRefused(plugin(), 2, {boxes.get(), t.get(), groups.get()},
                                                        "rectCull:outOfMemory"),
              6u);
    auto decay = testsupport::text("Decay"), gaussian = testsupport::text("gaussian");
    EXPECT_GT(testsupport::expectEveryFailedRequestRefused(plugin(), 3, {boxes.get(), t.get(), groups.get(), decay.get(),
                                                                      gaussian.get()},
                                                        "rectCull:outOfMemory"),
              6u);
}

}  // namespace
