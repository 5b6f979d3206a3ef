// The Python module regionkit._regionkit: every plug-in entry as a function
// over NumPy arrays.
//
// A call reads each argument as a real float64 array in column-major order
// (a view of the caller's data where it already is one, else one copy),
// calls the entry without the interpreter lock, and hands each result's data
// to NumPy without a copy. A refusal raised by the entry reaches Python as
// its fields (identifier, reason, argument, element, value, and the entry's
// message), from which regionkit._errors makes the exception. The host is
// the host of our own (host/).
#include "host.h"

// The kernel of rectCull, which regionkit.nms calls directly.
#include "cullBoxes.h"

#ifdef REGIONKIT_CHECKED_MODULE
#include "counting.h"
#endif

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
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
constexpr std::size_t mostDimensions = 64;

struct Numpy {
    py::object asarray, array, float64;
};

// Set once when the module is imported (never inside a call: a lazy import
// there could wait on the interpreter lock while holding a static's guard).
const Numpy* numpyFunctions = nullptr;

// regionkit._errors, whose refusal(identifier, reason, message, argument,
// position, element, value) makes the exception of a refusal, its class
// following from the reason. Set once when the module is imported; the
// function is looked up at each refusal, so the package has one place that
// makes them.
PyObject* errorsModule = nullptr;

struct RefusalFields {
    std::string id, reason, message, argument;
    int position = 0;
    long long element = 0;
    bool hasValue = false;
    double value = 0.0;
};

[[noreturn]] void raiseRefusal(const RefusalFields& r) {
    const py::object value = r.hasValue ? py::object(py::float_(r.value)) : py::object(py::none());
    const py::object refusal = py::reinterpret_borrow<py::object>(errorsModule).attr("refusal");
    const py::object error = refusal(r.id, r.reason, r.message, r.argument, r.position, r.element, value);
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
    throw py::error_already_set();
}

// A refusal of the module's own, about the call rather than one entry's
// argument, without identifier (as a host's own refusals have none).
[[noreturn]] void raiseValueError(const char* reason, const std::string& message) {
    RefusalFields r;
    r.reason = reason;
    r.message = message;
    raiseRefusal(r);
}

const Numpy& numpy() { return *numpyFunctions; }

#ifdef REGIONKIT_CHECKED_MODULE
// The checked build (sanitizers, counted requests) tells its tests what
// the last call on this thread asked for and left behind, and how many
// results NumPy still holds.
struct LastCall {
    std::size_t requests = 0;
    std::size_t leaked = 0;
};
thread_local LastCall lastCall;
std::atomic<long> liveResults{0};
#endif

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
    if (dims.size() > mostDimensions)
        raiseValueError("tooManyDimensions", "regionkit: an argument has too many dimensions");
    return dims;
}

// The host array of one Python argument; `held` keeps whatever array the
// data lives in for the length of the call.
host::ArrayPtr readArgument(py::handle object, std::vector<py::object>& held) {
    // A str is a character row vector, as an option name is in MATLAB.
    if (py::isinstance<py::str>(object)) return host::text(object.cast<std::string>());
    py::array arr;
    if (py::isinstance<py::array>(object)) {
        arr = py::reinterpret_borrow<py::array>(object);
    } else {
        // What NumPy cannot make an array of (ragged lists, say) is refused
        // as every other argument is, with NumPy's reason.
        try {
            arr = py::array(numpy().asarray(object));
        } catch (py::error_already_set& error) {
            if (!error.matches(PyExc_ValueError) && !error.matches(PyExc_TypeError)) throw;
            raiseValueError("notAnArray",
                            std::string("regionkit: numpy.asarray cannot make an array of an argument: ") +
                                py::str(error.value()).cast<std::string>());
        }
    }
    const py::dtype d = arr.dtype();
    const char kind = d.kind();
    host::ArrayPtr a;
    if (kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f') {
        // Native float64 in Fortran order, every element aligned (a Fortran-
        // contiguous array is when its first one is).
        const bool inPlace = py::array_t<double, py::array::f_style>::check_(arr) &&
                             reinterpret_cast<std::uintptr_t>(arr.data()) % alignof(double) == 0;
        if (!inPlace) arr = py::array(numpy().array(arr, py::arg("dtype") = numpy().float64, py::arg("order") = "F"));
        const std::vector<std::size_t> dims = shapeOf(arr);
        a = host::borrowed(mxDOUBLE_CLASS, false, nullptr, dims.data(), dims.size(),
                           static_cast<const double*>(arr.data()));
    } else {
        const Kind k = kindOf(d);
        const std::vector<std::size_t> dims = shapeOf(arr);
        a = host::borrowed(k.cls, k.complex, k.name, dims.data(), dims.size(), nullptr);
    }
    held.push_back(std::move(arr));
    return a;
}

[[noreturn]] void raiseRefusal(const host::Refusal& refusal) {
    RefusalFields r;
    r.id = refusal.id;
    r.reason = refusal.reason;
    r.message = refusal.message;
    r.argument = refusal.argumentName;
    r.position = refusal.argument;
    r.element = refusal.element;
    r.hasValue = refusal.hasValue;
    r.value = refusal.value;
    raiseRefusal(r);
}

py::object toNumpy(mxArray* a) {
    const auto rows = static_cast<py::ssize_t>(mxGetM(a));
    const auto cols = static_cast<py::ssize_t>(mxGetN(a));
    double* data = host::takeData(a);
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

py::object callEntry(host::Entry entry, const py::args& args, int nargout) {
    if (nargout < 0 || nargout > mostResults)
        raiseValueError("badNargout", "nargout must lie from 0 to " + std::to_string(mostResults));
    const std::size_t nrhs = args.size();
    std::vector<host::ArrayPtr> arguments;
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
    host::Outcome outcome;
    {
        py::gil_scoped_release unlocked;
#ifdef REGIONKIT_CHECKED_MODULE
        const std::size_t liveBefore = testsupport::liveAllocations();
#endif
        outcome = host::call(entry, nargout, plhs.at, static_cast<int>(nrhs), prhs.data());
#ifdef REGIONKIT_CHECKED_MODULE
        const testsupport::Requests requests = testsupport::lastRequests();
        lastCall.requests = requests.allocations + requests.arraysCreated;
        lastCall.leaked = outcome.leakedArrays + (testsupport::liveAllocations() - liveBefore);
#endif
    }
    if (outcome.raised) raiseRefusal(outcome.refusal);

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

// regionkit.nms: the rectCull kernel on boxes (N x 4) and scores (N), with
// a group per box when given, and the options; returns the kept rows as
// 0-based int64 indices, and under decay their scores too. The caller has
// checked the shapes, the options, and that every array holds real numbers.
// The boxes are read as the rectCull entry reads them (under the pipeline
// rule coordinates truncated to 32-bit integers, refused when they do not
// fit, by the same check; scores and the threshold rounded to single
// precision), straight into the kernel's list: no N x 5 matrix is put
// together first, which on a large call would cost a fresh block of memory
// every time.
[[noreturn]] void refuseNms(const char* reason, const std::string& argument, long long element, double value,
                            const std::string& message) {
    RefusalFields r;
    r.id = std::string("nms:") + reason;
    r.reason = reason;
    r.message = "nms: " + message;
    r.argument = argument;
    r.element = element;
    r.hasValue = element != 0;
    r.value = value;
    raiseRefusal(r);
}

std::string shortest(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

// The rule and options of one nms call, as _api.py checked them.
struct NmsSettings {
    regionkit::CullOptions options;
    bool custom = false;  // any option given: the options walk, with kept scores
    bool plain = false;
    bool xyxy = false;
};

// Refuses a box coordinate the rule cannot take: under the pipeline rule one
// that does not truncate to a 32-bit integer (and, for x1, y1, x2, y2, a
// width or height that does not), under the plain rule one that is not
// finite. `step` gives the boxes' strides in doubles.
template <class Boxes, class Step>
void checkNmsBoxes(const double* data, const Boxes& from, Step step, const NmsSettings& s) {
    static const char* const xyxy[4] = {"x1", "y1", "x2", "y2"};
    const char* const* names = s.xyxy ? xyxy : regionkit::coordinateNames;
    const auto count = static_cast<std::size_t>(from.shape(0));
    const regionkit::CoordinateFault fault = regionkit::firstBadCoordinate(data, count, step(0), step(1), s.plain);
    if (fault.found) {
        const std::string where = "boxes[" + std::to_string(fault.row) + ", " + std::to_string(fault.column) +
                                  "] (" + names[fault.column] + ")";
        // Counted as rectCull counts it: from 1, column by column.
        const long long element = static_cast<long long>(fault.row + static_cast<std::size_t>(fault.column) * count) + 1;
        const std::string says = std::isnan(fault.value) ? std::string(" is NaN; box coordinates must be numbers.")
                                 : s.plain ? " is " + shortest(fault.value) + "; box coordinates must be finite."
                                           : " is " + shortest(fault.value) +
                                                 "; box coordinates must lie between -2147483648 and 2147483647.";
        refuseNms("badCoordinate", "boxes", element, fault.value, where + says);
    }
    if (s.plain || !s.xyxy) return;
    const py::ssize_t n = from.shape(0);
    for (py::ssize_t j = 0; j < 2; ++j)
        for (py::ssize_t i = 0; i < n; ++i) {
            const std::int64_t side = std::int64_t{static_cast<std::int32_t>(from(i, j + 2))} -
                                      static_cast<std::int32_t>(from(i, j));
            if (isa::truncatesToInt32(static_cast<double>(side))) continue;
            refuseNms("badCoordinate", "boxes", 0, 0.0,
                      "boxes[" + std::to_string(i) + "] has " + (j ? "height " : "width ") + std::to_string(side) +
                          "; it must lie between -2147483648 and 2147483647.");
        }
}

// The kernel's records of the boxes: under the pipeline rule x, y, w, h
// truncated (from x1, y1, x2, y2: the truncated corners and their
// differences), scores in single precision; under the plain rule the edges
// as given.
template <class Boxes, class Scores>
regionkit::BoxList pipelineBoxes(const Boxes& from, const Scores& score, bool xyxy) {
    const py::ssize_t n = from.shape(0);
    regionkit::BoxList boxes(static_cast<std::size_t>(n));
    for (py::ssize_t i = 0; i < n; ++i) {
        regionkit::ScoredBox& b = boxes[static_cast<std::size_t>(i)];
        b = {static_cast<std::int32_t>(from(i, 0)), static_cast<std::int32_t>(from(i, 1)),
             static_cast<std::int32_t>(from(i, 2)), static_cast<std::int32_t>(from(i, 3)),
             regionkit::toSingle(score(i))};
        if (xyxy) {
            b.w = static_cast<std::int32_t>(std::int64_t{b.w} - b.x);
            b.h = static_cast<std::int32_t>(std::int64_t{b.h} - b.y);
        }
    }
    return boxes;
}

template <class Boxes, class Scores>
regionkit::PlainBoxList plainBoxes(const Boxes& from, const Scores& score, bool xyxy) {
    const py::ssize_t n = from.shape(0);
    regionkit::PlainBoxList boxes(static_cast<std::size_t>(n));
    for (py::ssize_t i = 0; i < n; ++i) {
        const double x = from(i, 0), y = from(i, 1);
        boxes[static_cast<std::size_t>(i)] = {x, y, xyxy ? from(i, 2) : x + from(i, 2),
                                              xyxy ? from(i, 3) : y + from(i, 3), score(i)};
    }
    return boxes;
}

py::object cullIndices(const py::array& boxes, const py::array& scores, double threshold, const py::object& groups,
                       const py::object& maxKept, const py::object& scoreFloor, const std::string& overlap,
                       const std::string& decay, double sigma, const std::string& rule,
                       const std::string& boxFormat) {
    using regionkit::OverlapMeasure;
    using regionkit::ScoreDecay;
    NmsSettings settings;
    settings.plain = rule == "plain";
    settings.xyxy = boxFormat == "xyxy";
    regionkit::CullOptions& o = settings.options;
    if (!maxKept.is_none()) o.maxKept = maxKept.cast<std::size_t>();
    if (!scoreFloor.is_none()) {
        o.hasScoreFloor = true;
        o.scoreFloor = scoreFloor.cast<double>();
    }
    o.measure = overlap == "min" ? OverlapMeasure::overSmaller : OverlapMeasure::overUnion;
    o.decay = decay == "linear" ? ScoreDecay::linear : decay == "gaussian" ? ScoreDecay::gaussian : ScoreDecay::none;
    o.sigma = sigma;
    settings.custom = !maxKept.is_none() || !scoreFloor.is_none() || overlap != "union" || decay != "none" ||
                      settings.plain || settings.xyxy;

    // Float64 boxes are read where they lie, whole doubles apart; others (and
    // views whose steps are not) are copied once.
    auto b = py::array_t<double, py::array::forcecast>::ensure(boxes);
    if (b && (b.strides(0) % py::ssize_t{sizeof(double)} != 0 || b.strides(1) % py::ssize_t{sizeof(double)} != 0))
        b = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(b);
    const auto s = py::array_t<double, py::array::forcecast>::ensure(scores);
    if (!b || !s) throw py::error_already_set();
    const auto from = b.unchecked<2>();
    const auto score = s.unchecked<1>();
    const py::ssize_t n = from.shape(0);
    const auto count = static_cast<std::size_t>(n);
    const auto step = [&](int axis) { return static_cast<std::ptrdiff_t>(b.strides(axis)) / 8; };
    checkNmsBoxes(b.data(), from, step, settings);

    // Integer groups are their own labels; other numbers are told apart by
    // their bits, -0 and +0 alike.
    regionkit::GroupList labels;
    if (!groups.is_none()) {
        const py::array g = py::reinterpret_borrow<py::array>(groups);
        try {
            labels.resize(count);
        } catch (const std::bad_alloc&) {
            refuseNms("outOfMemory", "", 0, 0.0, "out of memory for the groups of " + std::to_string(n) + " boxes.");
        }
        if (g.dtype().kind() == 'f') {
            auto values = py::array_t<double, py::array::forcecast>::ensure(g);
            if (values && values.strides(0) % py::ssize_t{sizeof(double)} != 0)
                values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
            if (!values) throw py::error_already_set();
            const auto every = static_cast<std::ptrdiff_t>(values.strides(0)) / 8;
            const std::size_t nan = regionkit::firstNanGroup(values.data(), count, every);
            if (nan < count)
                refuseNms("badGroup", "groups", static_cast<long long>(nan) + 1, std::nan(""),
                          "groups[" + std::to_string(nan) + "] is NaN; groups must be numbers.");
            const auto value = values.unchecked<1>();
            for (py::ssize_t i = 0; i < n; ++i) labels[static_cast<std::size_t>(i)] = regionkit::groupLabel(value(i));
        } else {
            const auto values = py::array_t<std::int64_t, py::array::forcecast>::ensure(g);
            if (!values) throw py::error_already_set();
            const auto value = values.unchecked<1>();
            for (py::ssize_t i = 0; i < n; ++i) labels[static_cast<std::size_t>(i)] = value(i);
        }
    }
    const regionkit::GroupList* groupList = groups.is_none() ? nullptr : &labels;

    regionkit::RowList rows;
    regionkit::ScoreList keptScores;
    bool outOfMemory = false;
    {
        py::gil_scoped_release unlocked;
        try {
            if (settings.plain) {
                regionkit::cullPlainBoxes(plainBoxes(from, score, settings.xyxy), threshold, o, rows, &keptScores,
                                          groupList);
            } else {
                regionkit::BoxList candidates = pipelineBoxes(from, score, settings.xyxy), kept;
                if (settings.custom)
                    regionkit::cullBoxes(candidates, regionkit::toSingle(threshold), o, rows, &keptScores, groupList);
                else
                    regionkit::cullBoxes(candidates, regionkit::toSingle(threshold), kept, nullptr, &rows, groupList);
            }
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    }
    if (outOfMemory)
        refuseNms("outOfMemory", "", 0, 0.0, "out of memory for the working lists of " + std::to_string(n) + " boxes.");
    py::array_t<std::int64_t> indices(static_cast<py::ssize_t>(rows.size()));
    std::int64_t* index = indices.mutable_data();
    for (std::size_t k = 0; k < rows.size(); ++k) index[k] = rows[k];
    if (o.decay == ScoreDecay::none) return std::move(indices);
    py::array_t<double> decayed(static_cast<py::ssize_t>(keptScores.size()));
    std::copy(keptScores.begin(), keptScores.end(), decayed.mutable_data());
    return py::make_tuple(indices, decayed);
}

}  // namespace

PYBIND11_MODULE(_regionkit, m) {
    m.doc() = "The compiled functions of regionkit; use the regionkit package.";
    py::module_ np = py::module_::import("numpy");
    numpyFunctions = new Numpy{np.attr("asarray"), np.attr("array"), np.attr("float64")};
    errorsModule = py::module_::import("regionkit._errors").release().ptr();
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
    m.def("_fail_request", [](std::size_t k) { testsupport::failAllocation(k); },
          "From the next call on, request k (from 1) of each call on this thread fails; 0: none.");
    m.def("_last_call", [] { return py::make_tuple(lastCall.requests, lastCall.leaked); },
          "(requests, things left behind) of the last call on this thread.");
    m.def("_live_results", [] { return liveResults.load(); }, "Results whose data NumPy still holds.");
#endif
    m.def("_cull_indices", &cullIndices, py::arg("boxes"), py::arg("scores"), py::arg("threshold"),
          py::arg("groups"), py::arg("max_kept") = py::none(), py::arg("score_floor") = py::none(),
          py::arg("overlap") = "union", py::arg("decay") = "none", py::arg("sigma") = 0.5,
          py::arg("rule") = "pipeline", py::arg("box_format") = "xywh");
    m.attr("__version__") =
#include "version.inc"
        ;
}
