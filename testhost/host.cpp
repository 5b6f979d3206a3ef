// The stand-in host: a small implementation of the host's matrix API and a
// loader that calls a plug-in's mexFunction as GNU Octave and MATLAB do.
//
// Arrays hold their data in allocations of exactly their element count, so a
// read or write past them is caught by AddressSanitizer.
#include "host.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>

struct mxArray_tag {
    mxClassID cls = mxDOUBLE_CLASS;
    bool complex = false;
    bool sparse = false;
    std::vector<mwSize> dims;
    std::size_t count = 0;
    std::size_t elementSize = 8;
    unsigned char* real = nullptr;  // count * elementSize bytes
    unsigned char* imag = nullptr;
};

namespace {

std::set<const mxArray*> createdInCall;  // arrays made by the plug-in during the current call
bool inCall = false;

std::size_t allocationsMade = 0;  // the plug-in's own allocations in this call
std::size_t arraysCreated = 0;    // arrays it asked the host for in this call
std::size_t requests = 0;         // both together: what failure injection counts
std::size_t failAt = 0;

bool failCreationByThrowing = false;

// What GNU Octave throws when it cannot make an array: not a std::exception.
struct HostCannotAllocate {};

// Counts one request; true when it is the one to fail.
bool failThisRequest() { return ++requests == failAt; }
std::set<void*> liveAllocations;

std::size_t elementSizeOf(mxClassID cls) {
    switch (cls) {
    case mxDOUBLE_CLASS: case mxINT64_CLASS: case mxUINT64_CLASS: return 8;
    case mxSINGLE_CLASS: case mxINT32_CLASS: case mxUINT32_CLASS: return 4;
    case mxINT16_CLASS: case mxUINT16_CLASS: case mxCHAR_CLASS: return 2;
    default: return 1;
    }
}

mxArray* newArray(mxClassID cls, const std::vector<mwSize>& dims, bool complex, bool sparse) {
    auto* a = new mxArray_tag;
    a->cls = cls;
    a->complex = complex;
    a->sparse = sparse;
    a->dims = dims;
    while (a->dims.size() < 2) a->dims.push_back(1);
    a->count = 1;
    for (mwSize d : a->dims) a->count *= d;
    a->elementSize = elementSizeOf(cls);
    // new[] of zero elements still gives a distinct pointer whose every access is caught.
    a->real = new unsigned char[a->count * a->elementSize]();
    if (complex) a->imag = new unsigned char[a->count * a->elementSize]();
    return a;
}

double firstAsDouble(const mxArray* a) {
    if (a->count == 0) return 0.0;
    switch (a->cls) {
    case mxDOUBLE_CLASS: { double v; std::memcpy(&v, a->real, 8); return v; }
    case mxSINGLE_CLASS: { float v; std::memcpy(&v, a->real, 4); return v; }
    case mxINT32_CLASS: { int v; std::memcpy(&v, a->real, 4); return v; }
    default: return a->real[0];
    }
}

}  // namespace

extern "C" {

mwSize mxGetM(const mxArray* a) { return a->dims[0]; }
mwSize mxGetN(const mxArray* a) {
    mwSize n = 1;
    for (std::size_t i = 1; i < a->dims.size(); ++i) n *= a->dims[i];
    return n;
}
mwSize mxGetNumberOfDimensions(const mxArray* a) { return a->dims.size(); }
const mwSize* mxGetDimensions(const mxArray* a) { return a->dims.data(); }
size_t mxGetNumberOfElements(const mxArray* a) { return a->count; }
double* mxGetPr(const mxArray* a) {
    return a->cls == mxDOUBLE_CLASS ? reinterpret_cast<double*>(a->real) : nullptr;
}
double mxGetScalar(const mxArray* a) { return firstAsDouble(a); }

bool mxIsDouble(const mxArray* a) { return a->cls == mxDOUBLE_CLASS; }
bool mxIsComplex(const mxArray* a) { return a->complex; }
bool mxIsSparse(const mxArray* a) { return a->sparse; }
bool mxIsEmpty(const mxArray* a) { return a->count == 0; }
mxClassID mxGetClassID(const mxArray* a) { return a->cls; }
const char* mxGetClassName(const mxArray* a) {
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
    if (inCall) ++arraysCreated;
    if (failThisRequest()) {
        if (failCreationByThrowing) throw HostCannotAllocate{};
        return nullptr;
    }
    mxArray* a = newArray(mxDOUBLE_CLASS, {m, n}, flag == mxCOMPLEX, false);
    if (inCall) createdInCall.insert(a);
    return a;
}

void mxDestroyArray(mxArray* a) {
    if (a == nullptr) return;
    createdInCall.erase(a);
    delete[] a->real;
    delete[] a->imag;
    delete a;
}

void mexErrMsgTxt(const char* text) { throw testhost::Raised{"", text}; }

void mexErrMsgIdAndTxt(const char* id, const char* format, ...) {
    char buffer[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    throw testhost::Raised{id, buffer};
}

// A request for zero bytes gets null, as MATLAB's mxMalloc and mxCalloc may
// answer it (glibc's malloc never does): a plug-in must not ask for nothing
// and take null for a failure.
void* testhostMalloc(size_t bytes) {
    ++allocationsMade;
    if (failThisRequest() || bytes == 0) return nullptr;
    void* p = std::malloc(bytes);
    if (p != nullptr) liveAllocations.insert(p);
    return p;
}

void* testhostCalloc(size_t count, size_t size) {
    ++allocationsMade;
    if (failThisRequest() || count == 0 || size == 0) return nullptr;
    void* p = std::calloc(count, size);
    if (p != nullptr) liveAllocations.insert(p);
    return p;
}

void testhostFree(void* p) {
    if (p == nullptr) return;
    if (liveAllocations.erase(p) == 0) {
        std::fprintf(stderr, "testhost: free of a pointer the plug-in did not allocate\n");
        std::abort();
    }
    std::free(p);
}

}  // extern "C"

namespace testhost {

ArrayPtr columnMajor(std::size_t rows, std::size_t cols, const std::vector<double>& data) {
    if (data.size() != rows * cols) throw std::invalid_argument("columnMajor: wrong element count");
    ArrayPtr a(newArray(mxDOUBLE_CLASS, {rows, cols}, false, false));
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

ArrayPtr zeros(std::size_t rows, std::size_t cols) {
    return ArrayPtr(newArray(mxDOUBLE_CLASS, {rows, cols}, false, false));
}

ArrayPtr array(mxClassID cls, const std::vector<std::size_t>& dims, bool complex, bool sparse) {
    return ArrayPtr(newArray(cls, std::vector<mwSize>(dims.begin(), dims.end()), complex, sparse));
}

std::vector<double> values(const mxArray* a) {
    std::vector<double> v(a->count);
    if (a->cls == mxDOUBLE_CLASS && a->count != 0) std::memcpy(v.data(), a->real, a->count * 8);
    return v;
}

void failCreationsByThrowing(bool on) { failCreationByThrowing = on; }

void failAllocation(std::size_t k) {
    failAt = k;
    requests = 0;
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
    entry_ = reinterpret_cast<void (*)(int, mxArray*[], int, const mxArray*[])>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "mexFunction")));
    if (entry_ == nullptr) throw std::runtime_error("no mexFunction in " + path);
}

Plugin::~Plugin() { FreeLibrary(static_cast<HMODULE>(handle_)); }
#else
Plugin::Plugin(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    entry_ = reinterpret_cast<void (*)(int, mxArray*[], int, const mxArray*[])>(
        dlsym(handle_, "mexFunction"));
    if (entry_ == nullptr) throw std::runtime_error("no mexFunction in " + path);
}

Plugin::~Plugin() { dlclose(handle_); }
#endif

CallResult Plugin::call(int nlhs, const std::vector<const mxArray*>& args) const {
    std::vector<std::vector<unsigned char>> before;
    for (const mxArray* a : args) {
        std::vector<unsigned char> bytes(a->real, a->real + a->count * a->elementSize);
        if (a->imag) bytes.insert(bytes.end(), a->imag, a->imag + a->count * a->elementSize);
        before.push_back(std::move(bytes));
    }

    // Exactly max(nlhs, 1) result slots and exactly nrhs argument slots, as the hosts give.
    const std::size_t slots = static_cast<std::size_t>(std::max(nlhs, 1));
    std::unique_ptr<mxArray*[]> plhs(new mxArray*[slots]());
    std::unique_ptr<const mxArray*[]> prhs(new const mxArray*[args.size() + 1]);
    for (std::size_t i = 0; i < args.size(); ++i) prhs[i] = args[i];

    CallResult result;
    createdInCall.clear();
    allocationsMade = 0;
    arraysCreated = 0;
    requests = 0;
    const std::size_t liveBefore = liveAllocations.size();
    inCall = true;
    try {
        entry_(nlhs, plhs.get(), static_cast<int>(args.size()), prhs.get());
    } catch (const Raised& e) {
        result.raised = true;
        result.id = e.id;
        result.message = e.message;
    }
    inCall = false;
    result.allocations = allocationsMade;
    result.arraysCreated = arraysCreated;

    for (std::size_t i = 0; i < slots; ++i) {
        createdInCall.erase(plhs[i]);
        if (result.raised) {
            mxDestroyArray(plhs[i]);  // the host discards the results of a failed call
            result.outputs.emplace_back(nullptr);
        } else {
            result.outputs.emplace_back(plhs[i]);
        }
    }
    result.leakedArrays = createdInCall.size();
    for (const mxArray* a : std::vector<const mxArray*>(createdInCall.begin(), createdInCall.end()))
        mxDestroyArray(const_cast<mxArray*>(a));
    result.leakedAllocations = liveAllocations.size() - liveBefore;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const mxArray* a = args[i];
        std::vector<unsigned char> bytes(a->real, a->real + a->count * a->elementSize);
        if (a->imag) bytes.insert(bytes.end(), a->imag, a->imag + a->count * a->elementSize);
        if (bytes != before[i]) result.argumentsUnchanged = false;
    }
    return result;
}

}  // namespace testhost
