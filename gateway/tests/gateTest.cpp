#include "gate.h"
#include "host.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using gateway::Gate;
using testhost::array;
using testhost::zeros;

// One check on a fresh Gate of the plug-in "plug": refused with this
// identifier and message, or (with no identifier) passed.
struct Case {
    std::function<bool(Gate&)> check;
    const char* id;
    std::string message;
};

void expectCases(Gate::Style style, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        Gate gate("plug", style);
        const bool passed = c.check(gate);
        EXPECT_EQ(passed, c.id[0] == '\0') << c.message;
        EXPECT_EQ(gate.refused(), !passed) << c.message;
        EXPECT_STREQ(gate.id(), c.id) << c.message;
        EXPECT_EQ(gate.message(), c.message);
    }
}

// "10x1x1...": `first`, then `ones` further sizes of 1.
std::string sizes(const char* first, int ones) {
    std::string text = first;
    for (int i = 0; i < ones; ++i) text += "x1";
    return text;
}

TEST(Gate, ChecksRefuseWithTheirReasonAndTheArgumentsShape) {
    auto single = array(mxSINGLE_CLASS, {1, 4}), logical = array(mxLOGICAL_CLASS, {1, 1});
    auto int32 = array(mxINT32_CLASS, {2, 3}), chars = array(mxCHAR_CLASS, {1, 5});
    auto complexRow = array(mxDOUBLE_CLASS, {1, 4}, true), sparse = array(mxDOUBLE_CLASS, {1, 4}, false, true);
    auto sparseComplex = array(mxDOUBLE_CLASS, {2, 2}, true, true);
    auto cube = array(mxDOUBLE_CLASS, {1, 4, 2}), singleCube = array(mxSINGLE_CLASS, {2, 3, 4}, true);
    // 37 dimensions: the sizes fill exactly the shown length after 36 of
    // them (the rest is marked), or come one short of it (all are shown).
    std::vector<std::size_t> atLimit(37, 1), underLimit(37, 1);
    atLimit[0] = 10;
    auto full = array(mxDOUBLE_CLASS, atLimit), under = array(mxDOUBLE_CLASS, underLimit);
    auto square = zeros(3, 3), none = zeros(0, 0), emptyRow = zeros(1, 0), emptyColumns = zeros(0, 3);
    auto one = zeros(1, 1), four = zeros(2, 4), tall = zeros(2147483648u, 0), wide = zeros(0, 2147483648u);
    auto tallest = zeros(2147483647u, 0);
    const char* const usage = "y = plug(a, b, c) % 100%";
    std::int32_t rows = -1, cols = -1, count = -1;
    const std::string notMatrix = "Argument 1 (A) must be a real, full double matrix, but ";
    expectCases(Gate::identified, {
        {[](Gate& g) { return g.outputs(2, 1); }, "plug:tooManyOutputs",
         "plug returns 1 result, but 2 were asked for."},
        {[](Gate& g) { return g.outputs(3, 2); }, "plug:tooManyOutputs",
         "plug returns 2 results, but 3 were asked for."},
        {[](Gate& g) { return g.outputs(0, 1) && g.outputs(2, 2); }, "", ""},
        {[](Gate& g) { return g.inputs(0, 1, 1, "y = plug(x)"); }, "plug:tooFewInputs",
         "Not enough arguments: the call is y = plug(x), with 1 argument, but 0 came."},
        {[&](Gate& g) { return g.inputs(1, 2, 3, usage); }, "plug:tooFewInputs",
         "Not enough arguments: the call is y = plug(a, b, c) % 100%, with 2 arguments, but 1 came."},
        {[&](Gate& g) { return g.inputs(4, 2, 3, usage); }, "plug:tooManyInputs",
         "Too many arguments: the call is y = plug(a, b, c) % 100%, with 3 arguments, but 4 came."},
        {[&](Gate& g) { return g.inputs(2, 2, 3, usage) && g.inputs(3, 2, 3, usage); }, "", ""},
        {[&](Gate& g) { return g.realDoubleMatrix(single.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 1x4 single matrix came."},
        {[&](Gate& g) { return g.realDoubleMatrix(logical.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 1x1 logical matrix came."},
        {[&](Gate& g) { return g.realDoubleMatrix(int32.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 2x3 int32 matrix came."},
        {[&](Gate& g) { return g.realDoubleMatrix(chars.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 1x5 char matrix came."},
        {[&](Gate& g) { return g.realDoubleMatrix(complexRow.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 1x4 complex double matrix came."},
        {[&](Gate& g) { return g.realDoubleMatrix(sparse.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 1x4 sparse double matrix came."},
        {[&](Gate& g) { return g.realDoubleMatrix(sparseComplex.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 2x2 sparse complex double matrix came."},
        {[&](Gate& g) { return g.realDoubleMatrix(cube.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 1x4x2 double array came."},
        {[&](Gate& g) { return g.realDoubleMatrix(singleCube.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a 2x3x4 complex single array came."},
        {[&](Gate& g) { return g.realDoubleMatrix(full.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a " + sizes("10", 35) + "x... double array came."},
        {[&](Gate& g) { return g.realDoubleMatrix(under.get(), 1, "A"); }, "plug:notRealDoubleMatrix",
         notMatrix + "a " + sizes("1", 36) + " double array came."},
        {[&](Gate& g) { return g.realDoubleMatrix(none.get(), 1, "A") && g.realDoubleMatrix(four.get(), 1, "A"); },
         "", ""},
        {[&](Gate& g) { return g.columnsAtLeast(square.get(), 2, "boxes", 4, "x, y, w, h"); }, "plug:tooFewColumns",
         "Argument 2 (boxes) needs at least 4 columns (x, y, w, h), but a 3x3 double matrix came."},
        {[&](Gate& g) { return g.columnsAtLeast(none.get(), 3, "B", 1, "as many as A"); }, "plug:tooFewColumns",
         "Argument 3 (B) needs at least 1 column (as many as A), but a 0x0 double matrix came."},
        {[&](Gate& g) { return g.columnsAtLeast(four.get(), 1, "boxes", 4, "x, y, w, h"); }, "", ""},
        {[&](Gate& g) { return g.notEmpty(none.get(), 2, "t"); }, "plug:emptyArgument",
         "Argument 2 (t) must hold at least one element, but a 0x0 double matrix came."},
        {[&](Gate& g) { return g.notEmpty(emptyRow.get(), 2, "t"); }, "plug:emptyArgument",
         "Argument 2 (t) must hold at least one element, but a 1x0 double matrix came."},
        {[&](Gate& g) { return g.notEmpty(emptyColumns.get(), 2, "t"); }, "plug:emptyArgument",
         "Argument 2 (t) must hold at least one element, but a 0x3 double matrix came."},
        {[&](Gate& g) { return g.notEmpty(one.get(), 2, "t"); }, "", ""},
        {[&](Gate& g) { return g.size32(tall.get(), 1, "A", &rows, &cols); }, "plug:tooLarge",
         "The row count of argument 1 (A) is 2147483648, more than the largest count handled, 2147483647."},
        {[&](Gate& g) { return g.size32(wide.get(), 2, "K", &rows, &cols); }, "plug:tooLarge",
         "The column count of argument 2 (K) is 2147483648, more than the largest count handled, 2147483647."},
        {[&](Gate& g) { return g.count32(2147483648ULL, "The pair count", &count); }, "plug:tooLarge",
         "The pair count is 2147483648, more than the largest count handled, 2147483647."},
        {[&](Gate& g) {
             return g.size32(tallest.get(), 1, "A", &rows, &cols) && g.count32(2147483647ULL, "n", &count) &&
                    rows == 2147483647 && cols == 0 && count == 2147483647;
         },
         "", ""},
        {[&](Gate& g) { return g.boxMatrix(square.get(), 1, "regionBoxes", &rows, &cols); }, "plug:tooFewColumns",
         "Argument 1 (regionBoxes) needs at least 4 columns (x, y, w, h), but a 3x3 double matrix came."},
        {[](Gate& g) { return g.outOfMemory(); }, "plug:outOfMemory",
         "Out of memory: the working copies of the arguments could not be made."},
        {[](Gate& g) { return g.outOfMemory("the working table"); }, "plug:outOfMemory",
         "Out of memory: the working table could not be made."},
        // The first refusal is the one reported.
        {[&](Gate& g) { return g.notEmpty(none.get(), 2, "t") || g.outOfMemory(); }, "plug:emptyArgument",
         "Argument 2 (t) must hold at least one element, but a 0x0 double matrix came."},
    });
}

TEST(Gate, PlainMessagesBeginWithErrorAndEndWithoutAPeriod) {
    auto single = array(mxSINGLE_CLASS, {1, 1});
    expectCases(Gate::plain, {
        {[&](Gate& g) { return g.realDoubleMatrix(single.get(), 1, "x"); }, "plug:notRealDoubleMatrix",
         "Error: argument 1 (x) must be a real, full double matrix, but a 1x1 single matrix came"},
        {[](Gate& g) { return g.refuse("badValue", "NaN is not a count."); }, "plug:badValue",
         "Error: NaN is not a count"},
        {[](Gate& g) { return g.refuse("badValue", "Error: kept as it is."); }, "plug:badValue",
         "Error: kept as it is."},
    });
}

TEST(Gate, ResultsAreCreatedZeroFilledOrRefusedAsOutOfMemory) {
    Gate gate("plug");
    mxArray* slot = nullptr;
    double* data = nullptr;
    ASSERT_TRUE(gate.createResult(2, 3, &slot, &data));
    testhost::ArrayPtr made(slot);
    EXPECT_EQ(mxGetM(slot), 2u);
    EXPECT_EQ(mxGetN(slot), 3u);
    EXPECT_EQ(data, mxGetPr(slot));
    EXPECT_EQ(testhost::values(slot), std::vector<double>(6, 0.0));

    // A host that returns null and one that throws, as GNU Octave does.
    for (bool throwing : {false, true})
        for (Gate::Style style : {Gate::identified, Gate::plain}) {
            Gate g("plug", style);
            mxArray* none = nullptr;
            testhost::failCreationsByThrowing(throwing);
            testhost::failAllocation(1);
            EXPECT_FALSE(g.createResult(2, 3, &none, &data));
            testhost::failAllocation(0);
            testhost::failCreationsByThrowing(false);
            EXPECT_EQ(none, nullptr);
            EXPECT_STREQ(g.id(), "plug:outOfMemory");
            EXPECT_STREQ(g.message(), style == Gate::plain
                                          ? "Error: out of memory: the 2 x 3 result could not be created"
                                          : "Out of memory: the 2x3 result could not be created.");
        }
}

TEST(Gate, RaisesTheRecordedRefusalAndGuardsAgainstExceptions) {
    // The message goes to the host as it is, though it holds a % sign.
    for (Gate::Style style : {Gate::identified, Gate::plain}) {
        Gate gate("plug", style);
        gate.inputs(0, 1, 1, "y = plug(x) % 100%s");
        try {
            gate.raise();
        } catch (const testhost::Raised& r) {
            EXPECT_EQ(r.id, style == Gate::plain ? "" : "plug:tooFewInputs");
            EXPECT_EQ(r.message, gate.message());
        }
    }

    expectCases(Gate::identified, {
        {[](Gate& g) { return gateway::guarded(g, [] { return true; }); }, "", ""},
        {[](Gate& g) { return gateway::guarded(g, []() -> bool { throw std::bad_alloc(); }); }, "plug:outOfMemory",
         "Out of memory: the working copies of the arguments could not be made."},
        {[](Gate& g) { return gateway::guarded(g, []() -> bool { throw std::runtime_error("x"); }); },
         "plug:internalError", "An unexpected internal error stopped the call."},
    });
}

}  // namespace
