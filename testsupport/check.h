// What every entry test checks of a call through the stand-in host.
#ifndef REGIONKIT_TESTSUPPORT_CHECK_H
#define REGIONKIT_TESTSUPPORT_CHECK_H

#include "bits.h"
#include "gate.h"
#include "calls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testsupport {

#ifdef REGIONKIT_PLUGIN_PATH
// The plug-in under test, built against the stand-in host.
inline const Plugin& plugin() {
    static const Plugin p(REGIONKIT_PLUGIN_PATH);
    return p;
}
#endif

// Nothing changed in the arguments and nothing left behind.
inline void expectClean(const CallResult& r) {
    EXPECT_TRUE(r.argumentsUnchanged);
    EXPECT_EQ(r.leakedArrays, 0u);
    EXPECT_EQ(r.leakedAllocations, 0u);
}

// The call completed, cleanly, and its result `slot` is rows x cols.
inline ::testing::AssertionResult completed(const CallResult& r, std::size_t rows, std::size_t cols,
                                            std::size_t slot = 0) {
    if (r.raised) return ::testing::AssertionFailure() << "refused: " << r.id << ": " << r.message;
    if (!r.argumentsUnchanged || r.leakedArrays != 0 || r.leakedAllocations != 0)
        return ::testing::AssertionFailure() << "an argument changed or something was left behind";
    const mxArray* a = slot < r.outputs.size() ? r.out(slot) : nullptr;
    if (a == nullptr) return ::testing::AssertionFailure() << "no result " << slot + 1;
    if (mxGetM(a) != rows || mxGetN(a) != cols)
        return ::testing::AssertionFailure() << "result " << slot + 1 << " is " << mxGetM(a) << "x" << mxGetN(a)
                                             << ", not " << rows << "x" << cols;
    return ::testing::AssertionSuccess();
}

struct BadCall {
    int nlhs;
    std::vector<const mxArray*> args;
    std::string id;       // empty for a plain message
    std::string message;  // the whole text, word for word
};

// Each call is refused with its identifier and its exact message, cleanly,
// before the plug-in has allocated anything.
inline void expectRefused(const Plugin& p, const std::vector<BadCall>& calls) {
    for (const BadCall& c : calls) {
        const CallResult r = p.call(c.nlhs, c.args);
        EXPECT_TRUE(r.raised) << c.message;
        EXPECT_EQ(r.id, c.id) << c.message;
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.allocations, 0u) << c.message;
        expectClean(r);
    }
}

// An argument as its entry checks it: a real double matrix, with at least
// `leastColumns` columns when `columns` names them, read as a value (it must
// hold one element) or with its sizes narrowed to 32 bits.
struct Argument {
    const char* name;
    bool value = false;
    int leastColumns = 0;
    const char* columns = nullptr;
};

struct Signature {
    const char* plugin;
    const char* usage;
    int results;
    std::vector<Argument> arguments;
    // Optional arguments the call also takes after those listed (not checked here).
    int optional = 0;
};

// `good` (a call that succeeds) with an argument too few, none, one too many, a
// result too many, and each argument in turn of another class, of three dimensions,
// a column short, empty or of 2^31 columns: refused as the gateway refuses it.
inline void expectArgumentChecks(const Plugin& p, const Signature& s, const std::vector<const mxArray*>& good) {
    const CallResult accepted = p.call(s.results, good);
    EXPECT_FALSE(accepted.raised) << accepted.id << ": " << accepted.message;
    const int n = static_cast<int>(s.arguments.size());
    const auto expect = [&](int nlhs, const std::vector<const mxArray*>& args, const auto& check) {
        gateway::Gate gate(s.plugin);
        EXPECT_FALSE(check(gate)) << "the gateway accepts what the call is meant to refuse";
        expectRefused(p, {{nlhs, args, gate.id(), gate.message()}});
        // The same facts as fields: the reason, and the argument refused.
        const CallResult r = p.call(nlhs, args);
        EXPECT_EQ(r.refusal.reason, gate.reason()) << gate.message();
        EXPECT_EQ(r.refusal.argument, gate.argument()) << gate.message();
    };
    expect(s.results + 1, good, [&](gateway::Gate& g) { return g.outputs(s.results + 1, s.results); });
    const int most = n + s.optional;
    for (int count : {0, n - 1, most + 1}) {
        std::vector<const mxArray*> args(good.begin(), good.begin() + (count < n ? count : n));
        args.resize(static_cast<std::size_t>(count), good[0]);
        expect(s.results, args, [&](gateway::Gate& g) { return g.inputs(count, n, most, s.usage); });
    }
    const ArrayPtr single = array(mxSINGLE_CLASS, {1, 1}), cube = array(mxDOUBLE_CLASS, {1, 1, 2});
    const ArrayPtr empty = zeros(0, 0), wide = zeros(0, 2147483648u);
    for (std::size_t i = 0; i < s.arguments.size(); ++i) {
        const Argument& a = s.arguments[i];
        const int at = static_cast<int>(i) + 1;
        const ArrayPtr narrow = zeros(1, static_cast<std::size_t>(a.leastColumns > 0 ? a.leastColumns - 1 : 0));
        std::int32_t rows = 0, cols = 0;
        for (const mxArray* bad : {single.get(), cube.get(), narrow.get(), a.value ? empty.get() : wide.get()}) {
            if (bad == narrow.get() && a.columns == nullptr) continue;
            std::vector<const mxArray*> args = good;
            args[i] = bad;
            expect(s.results, args, [&](gateway::Gate& g) {
                return g.realDoubleMatrix(bad, at, a.name) &&
                       (a.columns == nullptr || g.columnsAtLeast(bad, at, a.name, a.leastColumns, a.columns)) &&
                       (a.value ? g.notEmpty(bad, at, a.name) : g.size32(bad, at, a.name, &rows, &cols));
            });
        }
    }
}

// The same results, slot by slot: both empty, or the same shape and bits.
inline ::testing::AssertionResult sameOutputs(const CallResult& got, const CallResult& want) {
    if (got.outputs.size() != want.outputs.size()) return ::testing::AssertionFailure() << "result slots differ";
    for (std::size_t i = 0; i < got.outputs.size(); ++i) {
        const mxArray* g = got.out(i);
        const mxArray* w = want.out(i);
        const std::string d = g == nullptr || w == nullptr ? (g == w ? "" : "is missing on one side")
                              : mxGetM(g) != mxGetM(w) || mxGetN(g) != mxGetN(w) ? "differs in shape"
                                                                                 : difference(values(g), values(w));
        if (!d.empty()) return ::testing::AssertionFailure() << "result " << i + 1 << " " << d;
    }
    return ::testing::AssertionSuccess();
}

// Makes each request of the call fail in turn: every allocation of the
// plug-in's own and every result it asks the host for, as many as an
// undisturbed call makes. Each such call must end in the plug-in's
// out-of-memory refusal (`outOfMemoryId`, and a message beginning
// `messageStart`; a plug-in that raises without identifier gives an empty
// one), with nothing leaked and the arguments unchanged. With
// `mayWorkAround`, a call may instead succeed (scratch memory a faster way
// needs, with a slower way to fall back on) provided it gives the undisturbed
// results. Afterwards the undisturbed call must still succeed with the same
// results. Returns the number of requests.
inline std::size_t expectEveryFailedRequestRefused(const Plugin& p, int nlhs, const std::vector<const mxArray*>& args,
                                                   const std::string& outOfMemoryId, bool mayWorkAround = false,
                                                   const std::string& messageStart = "") {
    const CallResult whole = p.call(nlhs, args);
    EXPECT_FALSE(whole.raised) << whole.id << ": " << whole.message;
    if (whole.raised) return 0;
    expectClean(whole);
    const std::size_t requests = whole.allocations + whole.arraysCreated;
    for (std::size_t k = 1; k <= requests; ++k) {
        SCOPED_TRACE("request " + std::to_string(k) + " of " + std::to_string(requests) + " failing");
        failAllocation(k);
        const CallResult r = p.call(nlhs, args);
        failAllocation(0);
        expectClean(r);
        if (mayWorkAround && !r.raised) {
            EXPECT_TRUE(sameOutputs(r, whole));
            continue;
        }
        EXPECT_TRUE(r.raised);
        EXPECT_EQ(r.id, outOfMemoryId);
        EXPECT_FALSE(r.message.empty());
        EXPECT_EQ(r.message.compare(0, messageStart.size(), messageStart), 0) << r.message;
    }
    const CallResult again = p.call(nlhs, args);
    EXPECT_FALSE(again.raised) << again.id << ": " << again.message;
    expectClean(again);
    EXPECT_EQ(again.allocations + again.arraysCreated, requests);
    EXPECT_TRUE(sameOutputs(again, whole));
    return requests;
}

}  // namespace testsupport

#endif
