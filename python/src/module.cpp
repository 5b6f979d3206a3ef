// The Python module regionkit._regionkit: every plug-in entry as a function
// over NumPy arrays.
//
// A call reads each argument as a real float64 array in column-major order
// (a view of the caller's data where it already is one, else one copy),
// calls the entry without the interpreter lock, and hands each result's data
// to NumPy without a copy. A refusal raised by the entry becomes a Python
// exception with the entry's message and identifier. The host is the one the
// C++ suites run the plug-ins in (testhost/).
#include "host.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace py = pybind11;

// Each entry's mexFunction under its own name, listed by the build in plugins.inc
// as REGIONKIT_PLUGIN(name, results, doc).
#define REGIONKIT_PLUGIN(name, results, doc) \
    extern "C" void name##_mexFunction(int, mxArray*[], int, const mxArray*[]);
#include "plugins.inc"
#undef REGIONKIT_PLUGIN

namespace {

// Up to this many results may be asked for; every function has far fewer.
constexpr int mostResults = 16;
constexpr int numpyDouble = 12;  // NPY_DOUBLE
constexpr std::size_t mostDimensions = 64;

struct Numpy {
    py::object asarray, array, float64;
};

// Set once when the module is imported (never inside a call: a lazy import
// there could wait on the interpreter lock while holding a static's guard).
const Numpy* numpyFunctions = nullptr;

const Numpy& numpy() { return *numpyFunctions; }

#ifdef REGIONKIT_CHECKED_MODULE
// The checked build (sanitizers, counted allocations) tells its tests what
// the last call on this thread asked for and left behind, and how many
// results NumPy still holds.
struct LastCall {
    std::size_t requests = 0;
    std::size_t leaked = 0;
};
thread_local LastCall lastCall;
std::atomic<long> liveResults{0};
#endif

bool littleEndian() {
    const unsigned one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

bool nativeOrder(const py::dtype& d) {
    const char order = d.byteorder();
    return order == '=' || order == '|' || order == (littleEndian() ? '<' : '>');
}

// The class a host would give an array NumPy holds with this dtype, for
// those that are not turned into doubles. Their data is never read.
struct Kind {
    mxClassID cls;
    bool complex;
    const char* name;
};

Kind kindOf(const py::dtype& d) {
    switch (d.kind()) {
    case 'c': return d.itemsize() == 8 ? Kind{mxSINGLE_CLASS, true, "single"} : Kind{mxDOUBLE_CLASS, true, "double"};
    case 'U':
    case 'S': return {mxCHAR_CLASS, false, "char"};
    case 'O': return {mxUNKNOWN_CLASS, false, "object"};
    case 'M': return {mxUNKNOWN_CLASS, false, "datetime64"};
    case 'm': return {mxUNKNOWN_CLASS, false, "timedelta64"};
    default: return {mxUNKNOWN_CLASS, false, "void"};
    }
}

// The host's shape of an array: a 0-d array is 1x1, a 1-d array of n
// elements a 1xn row, and trailing dimensions of 1 past the second dropped.
std::vector<std::size_t> shapeOf(const py::array& arr) {
    const auto nd = static_cast<std::size_t>(arr.ndim());
    std::vector<std::size_t> dims(nd < 2 ? 2 : nd, 1);
    if (nd == 1) {
        dims[1] = static_cast<std::size_t>(arr.shape(0));
    } else {
        for (std::size_t i = 0; i < nd; ++i) dims[i] = static_cast<std::size_t>(arr.shape(static_cast<py::ssize_t>(i)));
    }
    while (dims.size() > 2 && dims.back() == 1) dims.pop_back();
    if (dims.size() > mostDimensions) throw py::value_error("regionkit: an argument has too many dimensions");
    return dims;
}

// The host array of one Python argument; `held` keeps whatever array the
// data lives in for the length of the call.
testhost::ArrayPtr readArgument(py::handle object, std::vector<py::object>& held) {
    py::array arr = py::isinstance<py::array>(object) ? py::reinterpret_borrow<py::array>(object)
                                                      : py::array(numpy().asarray(object));
    const py::dtype d = arr.dtype();
    const char kind = d.kind();
    testhost::ArrayPtr a;
    if (kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f') {
        const int flags = arr.flags();
        const bool inPlace = d.num() == numpyDouble && nativeOrder(d) &&
                             (flags & py::detail::npy_api::NPY_ARRAY_F_CONTIGUOUS_) &&
                             (flags & py::detail::npy_api::NPY_ARRAY_ALIGNED_);
        if (!inPlace) arr = py::array(numpy().array(arr, py::arg("dtype") = numpy().float64, py::arg("order") = "F"));
        const std::vector<std::size_t> dims = shapeOf(arr);
        a = testhost::borrowed(mxDOUBLE_CLASS, false, nullptr, dims.data(), dims.size(),
                               static_cast<const double*>(arr.data()));
    } else {
        const Kind k = kindOf(d);
        const std::vector<std::size_t> dims = shapeOf(arr);
        a = testhost::borrowed(k.cls, k.complex, k.name, dims.data(), dims.size(), nullptr);
    }
    held.push_back(std::move(arr));
    return a;
}

// The reason word of a refusal: the part of its identifier after the colon.
std::string reasonOf(const std::string& id) {
    const auto colon = id.rfind(':');
    return colon == std::string::npos ? std::string() : id.substr(colon + 1);
}

// The Python exception class for a refusal: TypeError for arguments of the
// wrong kind or number, MemoryError when memory ran out, ValueError for the
// rest. Plain messages (no identifier) are told apart by their text.
PyObject* exceptionFor(const std::string& reason, const std::string& message) {
    if (reason == "outOfMemory" || (reason.empty() && message.rfind("Error: out of memory", 0) == 0))
        return PyExc_MemoryError;
    if (reason == "notRealDouble" || reason == "notRealDoubleMatrix" || reason == "tooFewInputs" ||
        reason == "tooManyInputs" || reason == "wrongInputCount" ||
        (reason.empty() && (message.find("must be a real, full double") != std::string::npos ||
                            message.find("input parameters") != std::string::npos)))
        return PyExc_TypeError;
    return PyExc_ValueError;
}

[[noreturn]] void raiseRefusal(const testhost::Outcome& outcome) {
    const std::string reason = reasonOf(outcome.id);
    PyObject* type = exceptionFor(reason, outcome.message);
    py::object error = py::reinterpret_borrow<py::object>(type)(outcome.message);
    error.attr("identifier") = outcome.id;
    error.attr("reason") = reason;
    PyErr_SetObject(type, error.ptr());
    throw py::error_already_set();
}

py::object toNumpy(mxArray* a) {
    const auto rows = static_cast<py::ssize_t>(mxGetM(a));
    const auto cols = static_cast<py::ssize_t>(mxGetN(a));
    double* data = testhost::takeData(a);
    py::capsule owner;
    try {
        owner = py::capsule(data, [](void* p) {
#ifdef REGIONKIT_CHECKED_MODULE
            --liveResults;
#endif
            std::free(p);
        });
#ifdef REGIONKIT_CHECKED_MODULE
        ++liveResults;
#endif
    } catch (...) {
        std::free(data);
        throw;
    }
    return py::array(py::dtype::of<double>(), {rows, cols},
                     {static_cast<py::ssize_t>(sizeof(double)), static_cast<py::ssize_t>(sizeof(double)) * rows}, data,
                     owner);
}

py::object callEntry(testhost::Entry entry, const py::args& args, int nargout) {
    if (nargout < 0 || nargout > mostResults)
        throw py::value_error("nargout must lie from 0 to " + std::to_string(mostResults));
    const std::size_t nrhs = args.size();
    std::vector<testhost::ArrayPtr> arguments;
    std::vector<const mxArray*> prhs(nrhs + 1, nullptr);
    std::vector<py::object> held;
    held.reserve(nrhs);
    for (std::size_t i = 0; i < nrhs; ++i) {
        arguments.push_back(readArgument(args[i], held));
        prhs[i] = arguments.back().get();
    }

    // Results not yet handed to NumPy are destroyed however this function is left.
    struct Slots {
        mxArray* at[mostResults] = {};
        ~Slots() {
            for (mxArray* a : at) mxDestroyArray(a);
        }
    } plhs;
    testhost::Outcome outcome;
    {
        py::gil_scoped_release unlocked;
#ifdef REGIONKIT_CHECKED_MODULE
        const std::size_t liveBefore = testhost::liveAllocations();
#endif
        outcome = testhost::call(entry, nargout, plhs.at, static_cast<int>(nrhs), prhs.data());
#ifdef REGIONKIT_CHECKED_MODULE
        lastCall.requests = outcome.allocations + outcome.arraysCreated;
        lastCall.leaked = outcome.leakedArrays + (testhost::liveAllocations() - liveBefore);
#endif
    }
    if (outcome.raised) raiseRefusal(outcome);

    const int slots = nargout > 1 ? nargout : 1;
    std::vector<py::object> results(static_cast<std::size_t>(slots));
    for (int i = 0; i < slots; ++i) {
        if (plhs.at[i] == nullptr) {
            results[static_cast<std::size_t>(i)] = py::none();
            continue;
        }
        mxArray* a = plhs.at[i];
        plhs.at[i] = nullptr;
        results[static_cast<std::size_t>(i)] = toNumpy(a);
    }
    if (nargout <= 1) return results[0];
    py::tuple out(static_cast<std::size_t>(slots));
    for (int i = 0; i < slots; ++i) out[static_cast<std::size_t>(i)] = results[static_cast<std::size_t>(i)];
    return std::move(out);
}

}  // namespace

PYBIND11_MODULE(_regionkit, m) {
    m.doc() = "The compiled functions of regionkit; use the regionkit package.";
    py::module_ np = py::module_::import("numpy");
    numpyFunctions = new Numpy{np.attr("asarray"), np.attr("array"), np.attr("float64")};
    py::options options;
    options.disable_function_signatures();
    py::list names;
#define REGIONKIT_PLUGIN(name, results, doc)                                                                      \
    m.def(                                                                                                        \
        #name, [](const py::args& args, int nargout) { return callEntry(name##_mexFunction, args, nargout); }, \
        py::arg("nargout") = results, doc);                                                                     \
    names.append(#name);
#include "plugins.inc"
#undef REGIONKIT_PLUGIN
    m.attr("functions") = py::tuple(names);
#ifdef REGIONKIT_CHECKED_MODULE
    m.def("_fail_request", [](std::size_t k) { testhost::failAllocation(k); },
          "From the next call on, request k (from 1) of each call on this thread fails; 0: none.");
    m.def("_last_call", [] { return py::make_tuple(lastCall.requests, lastCall.leaked); },
          "(requests, things left behind) of the last call on this thread.");
    m.def("_live_results", [] { return liveResults.load(); }, "Results whose data NumPy still holds.");
#endif
    m.attr("__version__") =
#include "version.inc"
        ;
}
