// libFuzzer target for one plug-in (named by REGIONKIT_FUZZ_PLUGIN): the input
// bytes become a call (nlhs, argument count, classes, shapes and values), which
// runs through the stand-in host under AddressSanitizer and UBSan.
//
// Every call must end either in a clean error (an identifier "<plugin>:<reason>"
// and a message) or with results of the promised shape; it must leave its
// arguments unchanged and hold no array or allocation afterwards. A call that
// completes is run again with one of its allocations failing, which must end in
// a clean error, or in the same results, with nothing held.
//
// Environment:
//   REGIONKIT_FUZZ_EVERY_FAILURE=1  fail each allocation of a completed call in
//                                   turn (the injection test over a corpus)
//   REGIONKIT_FUZZ_PRINT=1          print each call as an Octave statement with
//                                   its outcome here (to carry calls to Octave);
//                                   the statement alone goes to stderr first
#include "harness.h"

#include "bits.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>
#include <string>
#include <vector>

// Result creation goes through here first (the link wraps the host's symbol):
// a real host cannot make a result of billions of elements and reports that as
// a failed creation, which the stand-in, holding every array in memory, would
// otherwise turn into an out-of-memory stop of the whole fuzz run.
extern "C" mxArray* __real_mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag);
extern "C" mxArray* __wrap_mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag) {
    constexpr mwSize mostElements = mwSize(1) << 24;
    if (m != 0 && n > mostElements / m) return nullptr;
    return __real_mxCreateDoubleMatrix(m, n, flag);
}

namespace {

const fuzz::PluginPromise& promise() {
    if (std::strcmp(fuzz::pluginPromise.name, REGIONKIT_FUZZ_PLUGIN) != 0) {
        std::fprintf(stderr, "fuzz: %s linked with the promise of %s\n", REGIONKIT_FUZZ_PLUGIN,
                     fuzz::pluginPromise.name);
        std::abort();
    }
    return fuzz::pluginPromise;
}

const testsupport::Plugin& plugin() {
    static const testsupport::Plugin p("");  // this program's own mexFunction
    return p;
}

bool envSet(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && v[0] != '\0' && v[0] != '0';
}

// Reads the input front to back; past its end every byte reads as 0.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    std::size_t below(std::size_t n) { return next() % n; }
    double rawDouble() {
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i) bits = bits << 8 | next();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Values that sit on the edges the plug-ins care about: signed zero, the
// non-finite values, 32-bit integer limits, thresholds, box areas near 4096.
const double edgeValues[] = {
    -0.0, 0.1, -0.1, 0.5, 0.9, 0.9000001, 0.98, 0.99, 0.99000001, 1.5, 2.9, 10.7, -3.7, 64, 100,
    4096, 4097, 1e6, 1e10, 2147483647.0, 2147483647.5, 2147483648.0, -2147483648.0, -2147483648.5,
    -2147483649.0, 4294967296.0, 9007199254740992.0, 1e300, -1e300,
    std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
    std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
    std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
};
constexpr std::size_t edgeCount = sizeof edgeValues / sizeof edgeValues[0];

double nextValue(Bytes& in) {
    const std::uint8_t b = in.next();
    if (b < 48) return static_cast<double>(b) - 8.0;  // small whole numbers, -8 .. 39
    if (b < 48 + edgeCount) return edgeValues[b - 48];
    if (b < 250) return (static_cast<double>(b) - 150.0) / 8.0;  // fractions
    return in.rawDouble();
}

enum class Kind { realDouble, single, int32, logical, complexDouble, sparseDouble, text, cell };

struct Argument {
    testsupport::ArrayPtr array;
    Kind kind;
    std::vector<std::size_t> dims;
};

Argument nextArgument(Bytes& in) {
    static const Kind kinds[] = {Kind::realDouble, Kind::realDouble, Kind::realDouble, Kind::realDouble,
                                 Kind::realDouble, Kind::realDouble, Kind::realDouble, Kind::realDouble,
                                 Kind::realDouble, Kind::single, Kind::int32, Kind::logical,
                                 Kind::complexDouble, Kind::sparseDouble, Kind::text, Kind::cell};
    const Kind kind = kinds[in.below(16)];
    const std::size_t shape = in.below(11);
    const std::size_t a = in.next(), b = in.next();
    std::vector<std::size_t> dims;
    switch (shape) {
    case 0: dims = {0, 0}; break;
    case 1: dims = {1, 1}; break;
    case 2: dims = {0, b % 9}; break;                        // no rows
    case 3: dims = {a % 9, 0}; break;                        // no columns
    case 4: dims = {1, 1 + b % 64}; break;                   // one row
    case 5: dims = {1 + a % 64, 1}; break;                   // one column
    case 6: dims = {1 + a % 8, 1 + b % 8}; break;            // small
    case 7: dims = {9 + (a * 256 + b) % 292, 1 + b % 8}; break;  // tall
    case 8: dims = {1 + a % 8, 9 + (b * 256 + a) % 292}; break;  // wide
    case 9: dims = {1 + a % 4, 1 + b % 4, 2}; break;         // three dimensions
    default: {                                               // empty, one size past 32 bits
        static const std::size_t huge[] = {2147483647u, 2147483648u, 4294967295u, 4294967296u,
                                           std::size_t(1) << 40};
        dims = {0, huge[b % 5]};
        if (a % 2) std::swap(dims[0], dims[1]);
    }
    }
    if (dims.size() == 3 && (kind == Kind::sparseDouble)) dims.pop_back();  // sparse is 2-D only

    static const mxClassID classes[] = {mxDOUBLE_CLASS, mxSINGLE_CLASS, mxINT32_CLASS, mxLOGICAL_CLASS,
                                        mxDOUBLE_CLASS, mxDOUBLE_CLASS, mxCHAR_CLASS, mxCELL_CLASS};
    Argument arg{testsupport::array(classes[static_cast<int>(kind)], dims, kind == Kind::complexDouble,
                                 kind == Kind::sparseDouble),
                 kind, dims};
    // The stand-in offers data only for doubles; other classes stay zero-filled.
    if (double* data = mxGetPr(arg.array.get())) {
        const std::size_t n = mxGetNumberOfElements(arg.array.get());
        for (std::size_t i = 0; i < n; ++i) data[i] = nextValue(in);
    }
    return arg;
}

struct Call {
    int nlhs;
    std::vector<Argument> args;
    std::uint8_t injection;  // 0: none; else which allocation of a completed call fails

    std::vector<const mxArray*> pointers() const {
        std::vector<const mxArray*> p;
        for (const Argument& a : args) p.push_back(a.array.get());
        return p;
    }
};

Call decode(const std::uint8_t* data, std::size_t size) {
    Bytes in(data, size);
    Call call;
    call.nlhs = static_cast<int>(in.below(static_cast<std::size_t>(promise().mostOutputs) + 2));
    const std::size_t nrhs = in.below(static_cast<std::size_t>(promise().mostInputs) + 2);
    call.injection = in.next();
    for (std::size_t i = 0; i < nrhs; ++i) call.args.push_back(nextArgument(in));
    return call;
}

std::string octaveNumber(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Inf" : "-Inf";
    if (v == 0.0) return std::signbit(v) ? "-0" : "0";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string octaveArgument(const Argument& a) {
    std::string dims;
    for (std::size_t d : a.dims) dims += (dims.empty() ? "" : ", ") + std::to_string(d);
    std::string data = "zeros(" + dims + ")";
    const double* values = mxGetPr(a.array.get());
    const std::size_t n = mxGetNumberOfElements(a.array.get());
    if (values != nullptr && n > 0) {
        data = "reshape([";
        for (std::size_t i = 0; i < n; ++i) data += (i ? " " : "") + octaveNumber(values[i]);
        data += "], " + dims + ")";
    }
    switch (a.kind) {
    case Kind::realDouble: return data;
    case Kind::single: return "single(" + data + ")";
    case Kind::int32: return "int32(" + data + ")";
    case Kind::logical: return "logical(" + data + ")";
    case Kind::complexDouble: return "complex(" + data + ", 0)";
    case Kind::sparseDouble: return "sparse(" + data + ")";
    case Kind::text: return "char(" + data + ")";
    case Kind::cell: return "cell(" + dims + ")";
    }
    return data;
}

std::string octaveStatement(const Call& call) {
    std::string s;
    if (call.nlhs > 0) {
        s = "[";
        for (int i = 0; i < call.nlhs; ++i) s += (i ? ", " : "") + std::string("r") + std::to_string(i + 1);
        s += "] = ";
    }
    s += std::string(promise().name) + "(";
    for (std::size_t i = 0; i < call.args.size(); ++i) s += (i ? ", " : "") + octaveArgument(call.args[i]);
    return s + ");";
}

[[noreturn]] void fault(const Call& call, const std::string& what, std::size_t failing = 0) {
    std::fprintf(stderr, "\n== fuzz: %s: %s\n", promise().name, what.c_str());
    if (failing != 0) std::fprintf(stderr, "== with allocation %zu failing\n", failing);
    std::fprintf(stderr, "== call: %s\n", octaveStatement(call).c_str());
    std::abort();
}

// A clean error names its plug-in and reason ("rectCull:tooFewColumns") and
// says something; a plug-in with plain errors may give "Error: ..." alone.
bool cleanError(const testsupport::CallResult& r) {
    if (r.message.empty()) return false;
    const std::string prefix = std::string(promise().name) + ":";
    if (r.id.size() > prefix.size() && r.id.compare(0, prefix.size(), prefix) == 0) return true;
    return promise().plainErrors && r.id.empty() && r.message.compare(0, 7, "Error: ") == 0;
}

void expectNothingHeld(const Call& call, const testsupport::CallResult& r, std::size_t failing) {
    if (!r.argumentsUnchanged) fault(call, "an argument was changed", failing);
    if (r.leakedArrays != 0) fault(call, std::to_string(r.leakedArrays) + " array(s) leaked", failing);
    if (r.leakedAllocations != 0)
        fault(call, std::to_string(r.leakedAllocations) + " allocation(s) leaked", failing);
}

std::size_t storedResults(const testsupport::CallResult& r) {
    std::size_t n = 0;
    for (const auto& out : r.outputs) n += out != nullptr;
    return n;
}

// Runs the call with its `failing`-th allocation (results included) failing.
// It must end in a clean error, or, where the plug-in has a way around the
// missing memory, complete with the very results of the undisturbed call.
void runFailing(const Call& call, std::size_t failing, const testsupport::CallResult& undisturbed) {
    testsupport::failAllocation(failing);
    const testsupport::CallResult r = plugin().call(call.nlhs, call.pointers());
    testsupport::failAllocation(0);
    expectNothingHeld(call, r, failing);
    if (r.raised) {
        if (!cleanError(r)) fault(call, "unclean error: id '" + r.id + "', message '" + r.message + "'", failing);
        return;
    }
    for (std::size_t i = 0; i < undisturbed.outputs.size(); ++i) {
        const mxArray* expected = undisturbed.out(i);
        const mxArray* got = r.out(i);
        if ((expected == nullptr) != (got == nullptr) ||
            (got != nullptr && fuzz::shapeOf(got) != fuzz::shapeOf(expected)))
            fault(call, "completed with results of another shape than without the failure", failing);
        if (got == nullptr) continue;
        if (std::string d = testsupport::difference(testsupport::values(got), testsupport::values(expected)); !d.empty())
            fault(call, "result " + std::to_string(i + 1) + " differs " + d, failing);
    }
}

}  // namespace

namespace fuzz {

std::string shapeOf(const mxArray* a) {
    std::string s;
    const mwSize* d = mxGetDimensions(a);
    for (mwSize i = 0; i < mxGetNumberOfDimensions(a); ++i) s += (i ? "x" : "") + std::to_string(d[i]);
    return s + " " + mxGetClassName(a) + (mxIsComplex(a) ? " complex" : "") + (mxIsSparse(a) ? " sparse" : "");
}

// rows or cols of -1 accept any count.
std::string expectShape(const mxArray* a, long long rows, long long cols) {
    if (a == nullptr) return "no result stored";
    const bool ok = mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a) && mxGetNumberOfDimensions(a) == 2 &&
                    (rows < 0 || static_cast<long long>(mxGetM(a)) == rows) &&
                    (cols < 0 || static_cast<long long>(mxGetN(a)) == cols);
    if (ok) return "";
    return "result is " + shapeOf(a) + ", expected " + (rows < 0 ? "K" : std::to_string(rows)) + "x" +
           (cols < 0 ? "N" : std::to_string(cols)) + " double";
}

}  // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool print = envSet("REGIONKIT_FUZZ_PRINT");
    static const bool everyFailure = envSet("REGIONKIT_FUZZ_EVERY_FAILURE");
    const Call call = decode(data, size);
    const std::vector<const mxArray*> args = call.pointers();
    // The call goes to stderr first, so that a sanitizer stop still shows it.
    if (print) std::fprintf(stderr, "%% call: %s\n", octaveStatement(call).c_str());
    const testsupport::CallResult r = plugin().call(call.nlhs, args);

    if (print)
        std::printf("%s\t%s\n", r.raised ? (r.id.empty() ? r.message.c_str() : r.id.c_str()) : "result",
                    octaveStatement(call).c_str());

    expectNothingHeld(call, r, 0);
    if (r.raised) {
        if (!cleanError(r)) fault(call, "unclean error: id '" + r.id + "', message '" + r.message + "'");
        return 0;
    }
    if (std::string e = promise().checkResults(args, call.nlhs, r); !e.empty()) fault(call, e);
    for (int i = 1; i < call.nlhs; ++i)
        if (r.out(static_cast<std::size_t>(i)) == nullptr) fault(call, "result " + std::to_string(i + 1) + " missing");

    // Every allocation the call made, and every result it created, can fail.
    const std::size_t allocations = r.allocations + storedResults(r);
    if (allocations == 0) return 0;
    if (everyFailure) {
        for (std::size_t k = 1; k <= allocations; ++k) runFailing(call, k, r);
    } else if (call.injection != 0) {
        runFailing(call, 1 + (call.injection - 1u) % allocations, r);
    }
    return 0;
}
