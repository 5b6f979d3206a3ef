#include "gate.h"
#include "calls.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using gateway::Gate;
using testsupport::array;
using testsupport::zeros;

// Each check, on a fresh Gate of the plug-in "plug", records this refusal
// (an identifier "plug:<reason>" and its message), or passes (an empty one).
void expectRecorded(Gate::Style style, const std::vector<std::pair<std::function<bool(Gate&)>, std::string>>& cases) {
    for (const auto& [check, want] : cases) {
        Gate gate("plug", style);
        EXPECT_EQ(check(gate), want.empty()) << want;
        EXPECT_EQ(gate.id() + std::string(" ") + gate.message(), want.empty() ? " " : want);
    }
}

// A 2 x 3 result the host cannot make: it returns null, or throws as GNU Octave does.
std::function<bool(Gate&)> failedResult(bool throwing) {
    return [throwing](Gate& g) {
        mxArray* slot = nullptr;
        double* data = nullptr;
        testsupport::failCreationsByThrowing(throwing);
        testsupport::failAllocation(1);
        const bool made = g.createResult(2, 3, &slot, &data);
        testsupport::failAllocation(0);
        testsupport::failCreationsByThrowing(false);
        return made || slot != nullptr;
    };
}

TEST(Gate, ChecksRefuseWithTheirReasonAndTheArgumentsShape) {
    std::vector<testsupport::ArrayPtr> kept;
    const auto of = [&](mxClassID c, std::vector<std::size_t> dims, bool complex = false, bool sparse = false) {
        kept.push_back(array(c, dims, complex, sparse));
        return kept.back().get();
    };
    const auto matrix = [](const mxArray* a) { return [a](Gate& g) { return g.realDoubleMatrix(a, 1, "A"); }; };
    // 37 dimensions whose sizes fill exactly the shown length after 36 of
    // them (the rest is marked), or come one short of it (all are shown).
    std::vector<std::size_t> atLimit(37, 1), underLimit(37, 1);
    atLimit[0] = 10;
    std::string ones;
    for (int i = 0; i < 35; ++i) ones += "x1";
    auto square = zeros(3, 3), none = zeros(0, 0), emptyColumns = zeros(0, 3);
    auto tall = zeros(2147483648u, 0), wide = zeros(0, 2147483648u);
    std::int32_t rows = -1, cols = -1, count = -1;
    const std::string bad = "plug:notRealDoubleMatrix Argument 1 (A) must be a real, full double matrix, but a ";
    const std::string large = ", more than the largest count handled, 2147483647.";
    expectRecorded(Gate::identified, {
        {[](Gate& g) { return g.outputs(2, 1); }, "plug:tooManyOutputs plug returns 1 result, but 2 were asked for."},
        {[](Gate& g) { return g.inputs(1, 2, 3, "plug(a, b, c)"); },
         "plug:tooFewInputs Not enough arguments: the call is plug(a, b, c), with 2 arguments, but 1 came."},
        {[](Gate& g) { return g.inputs(4, 2, 3, "plug(a, b, c)"); },
         "plug:tooManyInputs Too many arguments: the call is plug(a, b, c), with 3 arguments, but 4 came."},
        {matrix(of(mxSINGLE_CLASS, {1, 4})), bad + "1x4 single matrix came."},
        {matrix(of(mxDOUBLE_CLASS, {1, 4}, true)), bad + "1x4 complex double matrix came."},
        {matrix(of(mxDOUBLE_CLASS, {1, 4}, false, true)), bad + "1x4 sparse double matrix came."},
        {matrix(of(mxSINGLE_CLASS, {2, 3, 4}, true, true)), bad + "2x3x4 sparse complex single array came."},
        {matrix(of(mxDOUBLE_CLASS, atLimit)), bad + "10" + ones + "x... double array came."},
        {matrix(of(mxDOUBLE_CLASS, underLimit)), bad + "1x1" + ones + " double array came."},
        {[&](Gate& g) { return g.boxMatrix(square.get(), 2, "boxes", &rows, &cols); },
         "plug:tooFewColumns Argument 2 (boxes) needs at least 4 columns (x, y, w, h), but a 3x3 double matrix came."},
        {[&](Gate& g) { return g.columnsAtLeast(none.get(), 3, "B", 1, "as many as A"); },
         "plug:tooFewColumns Argument 3 (B) needs at least 1 column (as many as A), but a 0x0 double matrix came."},
        {[&](Gate& g) { return g.notEmpty(emptyColumns.get(), 2, "t") || g.outOfMemory(); },
         "plug:emptyArgument Argument 2 (t) must hold at least one element, but a 0x3 double matrix came."},
        {[&](Gate& g) { return g.size32(tall.get(), 1, "A", &rows, &cols); },
         "plug:tooLarge The row count of argument 1 (A) is 2147483648" + large},
        {[&](Gate& g) { return g.size32(wide.get(), 2, "K", &rows, &cols); },
         "plug:tooLarge The column count of argument 2 (K) is 2147483648" + large},
        {[&](Gate& g) { return g.count32(2147483648ULL, "The pair count", &count); },
         "plug:tooLarge The pair count is 2147483648" + large},
        {[](Gate& g) { return g.outOfMemory(); },
         "plug:outOfMemory Out of memory: the working copies of the arguments could not be made."},
        {[](Gate& g) { return g.outOfMemory("the working table"); },
         "plug:outOfMemory Out of memory: the working table could not be made."},
        {[](Gate& g) { return gateway::guarded(g, []() -> bool { throw std::bad_alloc(); }); },
         "plug:outOfMemory Out of memory: the working copies of the arguments could not be made."},
        {[](Gate& g) { return gateway::guarded(g, []() -> bool { throw std::runtime_error("x"); }); },
         "plug:internalError An unexpected internal error stopped the call."},
        {failedResult(false), "plug:outOfMemory Out of memory: the 2x3 result could not be created."},
        {failedResult(true), "plug:outOfMemory Out of memory: the 2x3 result could not be created."},
    });
    expectRecorded(Gate::plain, {
        {matrix(of(mxLOGICAL_CLASS, {1, 1})),
         "plug:notRealDoubleMatrix Error: argument 1 (A) must be a real, full double matrix, but a 1x1 logical "
         "matrix came"},
        {[](Gate& g) { return g.refuse("badValue", "NaN is no count."); }, "plug:badValue Error: NaN is no count"},
        {[](Gate& g) { return g.refuse("badValue", "Error: kept as it is."); }, "plug:badValue Error: kept as it is."},
        {failedResult(false), "plug:outOfMemory Error: out of memory: the 2 x 3 result could not be created"},
        {failedResult(true), "plug:outOfMemory Error: out of memory: the 2 x 3 result could not be created"},
    });
}

}  // namespace
