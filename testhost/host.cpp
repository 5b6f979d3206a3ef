// The host of our own: a small implementation of the host's matrix API, the
// call of a plug-in's mexFunction as GNU Octave and MATLAB make it, and a
// loader for the C++ suites.
//
// Arrays the host creates hold their data in allocations of exactly their
// element count, so a read or write past them is caught by AddressSanitizer.
// Arguments the Python module passes view the caller's data instead.
#include "host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>
#include <string>

struct mxArray_tag {
    static constexpr std::size_t maxDims = 64;
    mxClassID cls = mxDOUBLE_CLASS;
    bool complex = false;
    bool sparse = false;
    std::size_t ndims = 2;
    mwSize dims[maxDims] = {0, 0};
    std::size_t count = 0;
    std::size_t elementSize = 8;
    unsigned char* real = nullptr;  // count * elementSize bytes; null where the caller's data is not read
    unsigned char* imag = nullptr;
    bool owned = true;                  // the data belongs to the array
    const char* className = nullptr;    // null: the class's own name
};

namespace {

// Per thread: a call runs on the thread that makes it, and threads running
// calls side by side (the Python module's) must not see one another's.
thread_local std::vector<mxArray*>* createdInCall = nullptr;  // arrays made during the current call
thread_local std::size_t allocationsMade = 0;  // the plug-in's own allocations in this call
thread_local std::size_t arraysCreated = 0;    // arrays it asked the host for in this call
thread_local std::size_t requests = 0;         // both together: what failure injection counts
thread_local std::size_t failAt = 0;
thread_local bool failCreationByThrowing = false;
thread_local std::set<void*> liveSet;  // the counted path's live allocations

std::set<void*>& live() { return liveSet; }

// What GNU Octave throws when it cannot make an array: not a std::exception.
struct HostCannotAllocate {};

// Counts one request; true when it is the one to fail.
bool failThisRequest() { return ++requests == failAt; }

std::size_t elementSizeOf(mxClassID cls) {
    switch (cls) {
    case mxDOUBLE_CLASS: case mxINT64_CLASS: case mxUINT64_CLASS: return 8;
    case mxSINGLE_CLASS: case mxINT32_CLASS: case mxUINT32_CLASS: return 4;
    case mxINT16_CLASS: case mxUINT16_CLASS: case mxCHAR_CLASS: return 2;
    default: return 1;
    }
}

// Zero-filled, of exactly `bytes`; a zero-byte block is still a distinct
// pointer, every access to which AddressSanitizer catches.
unsigned char* zeroed(std::size_t bytes) {
    void* p = bytes == 0 ? std::malloc(0) : std::calloc(bytes, 1);
    if (p == nullptr && bytes == 0) p = std::malloc(1);
    return static_cast<unsigned char*>(p);
}

void destroy(mxArray* a) {
    if (a->owned) {
        std::free(a->real);
        std::free(a->imag);
    }
    delete a;
}

// A new array of the given class and shape, its data zero-filled; null when
// the shape's size overflows or memory runs out.
mxArray* newArray(mxClassID cls, const mwSize* dims, std::size_t ndims, bool complex, bool sparse) {
    if (ndims > mxArray_tag::maxDims) return nullptr;
    const std::size_t elementSize = elementSizeOf(cls);
    std::size_t count = 1;
    for (std::size_t i = 0; i < ndims; ++i) {
        if (dims[i] != 0 && count > static_cast<std::size_t>(-1) / elementSize / dims[i]) return nullptr;
        count *= dims[i];
    }
    auto* a = new (std::nothrow) mxArray_tag;
    if (a == nullptr) return nullptr;
    a->cls = cls;
    a->complex = complex;
    a->sparse = sparse;
    a->ndims = ndims < 2 ? 2 : ndims;
    a->dims[0] = a->dims[1] = 1;
    std::copy(dims, dims + ndims, a->dims);
    a->count = count;
    a->elementSize = elementSize;
    a->real = zeroed(count * elementSize);
    if (complex) a->imag = zeroed(count * elementSize);
    if (a->real == nullptr || (complex && a->imag == nullptr)) {
        destroy(a);
        return nullptr;
    }
    return a;
}

double firstAsDouble(const mxArray* a) {
    if (a->count == 0 || a->real == nullptr) return 0.0;
    switch (a->cls) {
    case mxDOUBLE_CLASS: { double v; std::memcpy(&v, a->real, 8); return v; }
    case mxSINGLE_CLASS: { float v; std::memcpy(&v, a->real, 4); return v; }
    case mxINT32_CLASS: { int v; std::memcpy(&v, a->real, 4); return v; }
    default: return a->real[0];
    }
}

std::string formatted(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char small[512];
    const int length = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (length < 0) {
        text = format;
    } else if (static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(length));
    } else {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    return text;
}

testhost::ArrayPtr made(mxArray* a) {
    if (a == nullptr) throw std::bad_alloc();
    return testhost::ArrayPtr(a);
}

}  // namespace

extern "C" {

mwSize mxGetM(const mxArray* a) { return a->dims[0]; }
mwSize mxGetN(const mxArray* a) {
    mwSize n = 1;
    for (std::size_t i = 1; i < a->ndims; ++i) n *= a->dims[i];
    return n;
}
mwSize mxGetNumberOfDimensions(const mxArray* a) { return a->ndims; }
const mwSize* mxGetDimensions(const mxArray* a) { return a->dims; }
size_t mxGetNumberOfElements(const mxArray* a) { return a->count; }
double* mxGetPr(const mxArray* a) {
    return a->cls == mxDOUBLE_CLASS ? reinterpret_cast<double*>(a->real) : nullptr;
}
double mxGetScalar(const mxArray* a) { return firstAsDouble(a); }

bool mxIsDouble(const mxArray* a) { return a->cls == mxDOUBLE_CLASS; }
bool mxIsComplex(const mxArray* a) { return a->complex; }
bool mxIsSparse(const mxArray* a) { return a->sparse; }
bool mxIsEmpty(const mxArray* a) { return a->count == 0; }
bool mxIsChar(const mxArray* a) { return a->cls == mxCHAR_CLASS; }

int mxGetString(const mxArray* a, char* buf, mwSize buflen) {
    if (buflen == 0) return 1;
    buf[0] = '\0';
    if (a->cls != mxCHAR_CLASS || a->real == nullptr) return 1;
    std::size_t n = 0;
    for (; n < a->count && n + 1 < buflen; ++n) {
        std::uint16_t c;
        std::memcpy(&c, a->real + 2 * n, 2);
        buf[n] = c < 128 ? static_cast<char>(c) : '?';
    }
    buf[n] = '\0';
    return n == a->count ? 0 : 1;
}
mxClassID mxGetClassID(const mxArray* a) { return a->cls; }
const char* mxGetClassName(const mxArray* a) {
    if (a->className != nullptr) return a->className;
    switch (a->cls) {
    case mxDOUBLE_CLASS: return "double";
    case mxSINGLE_CLASS: return "single";
    case mxLOGICAL_CLASS: return "logical";
    case mxCHAR_CLASS: return "char";
    case mxINT8_CLASS: return "int8";
    case mxUINT8_CLASS: return "uint8";
    case mxINT16_CLASS: return "int16";
    case mxUINT16_CLASS: return "uint16";
    case mxINT32_CLASS: return "int32";
    case mxUINT32_CLASS: return "uint32";
    case mxINT64_CLASS: return "int64";
    case mxUINT64_CLASS: return "uint64";
    case mxCELL_CLASS: return "cell";
    case mxSTRUCT_CLASS: return "struct";
    case mxFUNCTION_CLASS: return "function_handle";
    default: return "unknown";
    }
}

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag) {
    // Failure injection counts creations outside a call too, so the gateway
    // can be tested on its own.
    if (createdInCall != nullptr) ++arraysCreated;
    const mwSize dims[2] = {m, n};
    mxArray* a = failThisRequest() ? nullptr : newArray(mxDOUBLE_CLASS, dims, 2, flag == mxCOMPLEX, false);
    if (a != nullptr && createdInCall != nullptr) {
        try {
            createdInCall->push_back(a);
        } catch (const std::bad_alloc&) {
            destroy(a);
            a = nullptr;
        }
    }
    if (a == nullptr && failCreationByThrowing) throw HostCannotAllocate{};
    return a;
}

void mxDestroyArray(mxArray* a) {
    if (a == nullptr) return;
    if (createdInCall != nullptr)
        for (mxArray*& c : *createdInCall)
            if (c == a) c = nullptr;
    destroy(a);
}

// The Python module's gateway, built without the counted path, allocates with
// malloc; these are for code that asks its host for memory.
void* mxMalloc(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }
void* mxCalloc(size_t count, size_t size) { return std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size); }
void mxFree(void* p) { std::free(p); }

void mexErrMsgTxt(const char* text) { throw testhost::Raised{"", text}; }

void mexErrMsgIdAndTxt(const char* id, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatted(format, args);
    va_end(args);
    throw testhost::Raised{id, std::move(text)};
}

// A request for zero bytes gets null, as MATLAB's mxMalloc and mxCalloc may
// answer it (glibc's malloc never does): a plug-in must not ask for nothing
// and take null for a failure.
void* testhostMalloc(size_t bytes) {
    ++allocationsMade;
    if (failThisRequest() || bytes == 0) return nullptr;
    void* p = std::malloc(bytes);
    if (p != nullptr) live().insert(p);
    return p;
}

void* testhostCalloc(size_t count, size_t size) {
    ++allocationsMade;
    if (failThisRequest() || count == 0 || size == 0) return nullptr;
    void* p = std::calloc(count, size);
    if (p != nullptr) live().insert(p);
    return p;
}

void testhostFree(void* p) {
    if (p == nullptr) return;
    if (live().erase(p) == 0) {
        std::fprintf(stderr, "testhost: free of a pointer the plug-in did not allocate\n");
        std::abort();
    }
    std::free(p);
}

}  // extern "C"

namespace testhost {

ArrayPtr columnMajor(std::size_t rows, std::size_t cols, const std::vector<double>& data) {
    if (data.size() != rows * cols) throw std::invalid_argument("columnMajor: wrong element count");
    ArrayPtr a = zeros(rows, cols);
    if (!data.empty()) std::memcpy(a->real, data.data(), data.size() * sizeof(double));
    return a;
}

ArrayPtr matrix(std::size_t rows, std::size_t cols, std::initializer_list<double> rowMajor) {
    if (rowMajor.size() != rows * cols) throw std::invalid_argument("matrix: wrong element count");
    std::vector<double> data(rows * cols);
    std::size_t k = 0;
    for (double v : rowMajor) {
        data[(k / cols) + (k % cols) * rows] = v;
        ++k;
    }
    return columnMajor(rows, cols, data);
}

ArrayPtr scalar(double value) { return columnMajor(1, 1, {value}); }

ArrayPtr text(const std::string& characters) {
    ArrayPtr a = array(mxCHAR_CLASS, {1, characters.size()});
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const std::uint16_t c = static_cast<unsigned char>(characters[i]);
        std::memcpy(a->real + 2 * i, &c, 2);
    }
    return a;
}

ArrayPtr zeros(std::size_t rows, std::size_t cols) { return array(mxDOUBLE_CLASS, {rows, cols}); }

ArrayPtr array(mxClassID cls, const std::vector<std::size_t>& dims, bool complex, bool sparse) {
    const std::vector<mwSize> shape(dims.begin(), dims.end());
    return made(newArray(cls, shape.data(), shape.size(), complex, sparse));
}

ArrayPtr borrowed(mxClassID cls, bool complex, const char* className, const std::size_t* dims, std::size_t ndims,
                  const double* data) {
    if (ndims > mxArray_tag::maxDims) throw std::invalid_argument("borrowed: too many dimensions");
    ArrayPtr a(new mxArray_tag);
    a->cls = cls;
    a->complex = complex;
    a->className = className;
    a->owned = false;
    a->ndims = ndims < 2 ? 2 : ndims;
    a->dims[0] = a->dims[1] = 1;
    std::copy(dims, dims + ndims, a->dims);
    a->count = 1;
    for (std::size_t i = 0; i < a->ndims; ++i) a->count *= a->dims[i];
    a->elementSize = elementSizeOf(cls);
    // Never written: the entries take their arguments as const.
    a->real = reinterpret_cast<unsigned char*>(const_cast<double*>(data));
    return a;
}

std::vector<double> values(const mxArray* a) {
    std::vector<double> v(a->count);
    if (a->cls == mxDOUBLE_CLASS && a->count != 0 && a->real != nullptr) std::memcpy(v.data(), a->real, a->count * 8);
    return v;
}

double* takeData(mxArray* a) {
    double* data = reinterpret_cast<double*>(a->real);
    a->real = nullptr;
    destroy(a);
    return data;
}

std::size_t liveAllocations() { return liveSet.size(); }

void failCreationsByThrowing(bool on) { failCreationByThrowing = on; }

void failAllocation(std::size_t k) {
    failAt = k;
    requests = 0;
}

Outcome call(Entry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) noexcept {
    Outcome outcome;
    const int slots = nlhs > 1 ? nlhs : 1;
    std::vector<mxArray*> created;
    allocationsMade = 0;
    arraysCreated = 0;
    requests = 0;
    try {
        created.reserve(8);
        createdInCall = &created;
        entry(nlhs, plhs, nrhs, prhs);
    } catch (Raised& r) {
        outcome.raised = true;
        outcome.id = std::move(r.id);
        outcome.message = std::move(r.message);
    } catch (const std::bad_alloc&) {
        outcome.raised = true;
        outcome.id = "regionkit:outOfMemory";
        outcome.message = "Out of memory.";
    } catch (...) {
        outcome.raised = true;
        outcome.id = "regionkit:internalError";
        outcome.message = "An unexpected internal error stopped the call.";
    }
    createdInCall = nullptr;
    outcome.allocations = allocationsMade;
    outcome.arraysCreated = arraysCreated;
    // Only arrays still live in this call count as results; a failed call's
    // results are discarded, as a host discards them.
    for (int i = 0; i < slots; ++i) {
        bool live = false;
        for (mxArray*& c : created)
            if (c != nullptr && c == plhs[i]) {
                live = true;
                c = nullptr;
            }
        if (live && outcome.raised) destroy(plhs[i]);
        if (!live || outcome.raised) plhs[i] = nullptr;
    }
    for (mxArray* c : created)
        if (c != nullptr) {
            ++outcome.leakedArrays;
            destroy(c);
        }
    return outcome;
}

// A plug-in is loaded as each host loads a MEX file: by file name, with its
// mx/mex functions bound to this library (on Windows through its import
// library), and its one exported entry found by name.
#if defined(_WIN32)
Plugin::Plugin(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr)
        throw std::runtime_error("LoadLibrary failed (error " + std::to_string(GetLastError()) + "): " + path);
    handle_ = module;
    entry_ = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, "mexFunction")));
    if (entry_ == nullptr) throw std::runtime_error("no mexFunction in " + path);
}

Plugin::~Plugin() { FreeLibrary(static_cast<HMODULE>(handle_)); }
#else
Plugin::Plugin(const std::string& path) {
    handle_ = dlopen(path.empty() ? nullptr : path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    entry_ = reinterpret_cast<Entry>(dlsym(handle_, "mexFunction"));
    if (entry_ == nullptr) throw std::runtime_error("no mexFunction in " + path);
}

Plugin::~Plugin() { dlclose(handle_); }
#endif

namespace {

std::vector<unsigned char> bytesOf(const mxArray* a) {
    std::vector<unsigned char> bytes;
    if (a->real != nullptr) bytes.assign(a->real, a->real + a->count * a->elementSize);
    if (a->imag != nullptr) bytes.insert(bytes.end(), a->imag, a->imag + a->count * a->elementSize);
    return bytes;
}

}  // namespace

CallResult Plugin::call(int nlhs, const std::vector<const mxArray*>& args) const {
    std::vector<std::vector<unsigned char>> before;
    for (const mxArray* a : args) before.push_back(bytesOf(a));

    // Exactly max(nlhs, 1) result slots and exactly nrhs argument slots, as the hosts give.
    const std::size_t slots = static_cast<std::size_t>(std::max(nlhs, 1));
    std::unique_ptr<mxArray*[]> plhs(new mxArray*[slots]());
    std::unique_ptr<const mxArray*[]> prhs(new const mxArray*[args.size() + 1]);
    for (std::size_t i = 0; i < args.size(); ++i) prhs[i] = args[i];

    const std::size_t liveBefore = liveAllocations();
    CallResult result;
    static_cast<Outcome&>(result) = testhost::call(entry_, nlhs, plhs.get(), static_cast<int>(args.size()), prhs.get());
    for (std::size_t i = 0; i < slots; ++i) result.outputs.emplace_back(plhs[i]);
    result.leakedAllocations = liveAllocations() - liveBefore;
    for (std::size_t i = 0; i < args.size(); ++i)
        if (bytesOf(args[i]) != before[i]) result.argumentsUnchanged = false;
    return result;
}

}  // namespace testhost
