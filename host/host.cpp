// The host of our own: a small implementation of the host's matrix API and
// the call of a plug-in's mexFunction as GNU Octave and MATLAB make it.
//
// Built with REGIONKIT_COUNTED_HOST (the C++ suites, the fuzz programs and
// the Python module's checked build), every array request is also counted by
// the test support, which can make the k-th one fail (testsupport/counting.h).
#include "host.h"

#include "array.h"

#if defined(REGIONKIT_COUNTED_HOST)
#include "counting.h"
#endif

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Per thread: a call runs on the thread that makes it, and threads running
// calls side by side (the Python module's) must not see one another's.
thread_local std::vector<mxArray*>* createdInCall = nullptr;  // arrays made during the current call

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

}  // namespace

mxArray* host::newArray(mxClassID cls, const mwSize* dims, std::size_t ndims, bool complex, bool sparse) {
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
    const mwSize dims[2] = {m, n};
#if defined(REGIONKIT_COUNTED_HOST)
    mxArray* a = testsupport::arrayRequestFails(createdInCall != nullptr)
                     ? nullptr
                     : host::newArray(mxDOUBLE_CLASS, dims, 2, flag == mxCOMPLEX, false);
#else
    mxArray* a = host::newArray(mxDOUBLE_CLASS, dims, 2, flag == mxCOMPLEX, false);
#endif
    if (a != nullptr && createdInCall != nullptr) {
        try {
            createdInCall->push_back(a);
        } catch (const std::bad_alloc&) {
            destroy(a);
            a = nullptr;
        }
    }
#if defined(REGIONKIT_COUNTED_HOST)
    if (a == nullptr) testsupport::creationFailed();
#endif
    return a;
}

void mxDestroyArray(mxArray* a) {
    if (a == nullptr) return;
    if (createdInCall != nullptr)
        for (mxArray*& c : *createdInCall)
            if (c == a) c = nullptr;
    destroy(a);
}

// The gateway allocates with malloc in this host (allocation.cpp); these are
// for code that asks its host for memory.
void* mxMalloc(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }
void* mxCalloc(size_t count, size_t size) { return std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size); }
void mxFree(void* p) { std::free(p); }

void mexErrMsgTxt(const char* text) {
    host::Refusal r;
    r.message = text;
    throw r;
}

void mexErrMsgIdAndTxt(const char* id, const char* format, ...) {
    host::Refusal r;
    va_list args;
    va_start(args, format);
    r.message = formatted(format, args);
    va_end(args);
    r.id = id;
    // An identifier is "<component>:<mnemonic>"; its mnemonic is the reason.
    if (const char* colon = std::strrchr(id, ':')) r.reason = colon + 1;
    throw r;
}

void hostRaiseRefusal(const hostRefusal* given) {
    host::Refusal r;
    r.id = given->id;
    r.reason = given->reason;
    r.message = given->message;
    r.argument = given->argument;
    r.argumentName = given->argumentName;
    r.element = given->element;
    r.value = given->value;
    r.hasValue = given->hasValue != 0;
    throw r;
}

}  // extern "C"

namespace host {

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

ArrayPtr text(const std::string& characters) {
    const mwSize dims[2] = {1, characters.size()};
    ArrayPtr a(newArray(mxCHAR_CLASS, dims, 2, false, false));
    if (!a) throw std::bad_alloc();
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const std::uint16_t c = static_cast<unsigned char>(characters[i]);
        std::memcpy(a->real + 2 * i, &c, 2);
    }
    return a;
}

double* takeData(mxArray* a) {
    double* data = reinterpret_cast<double*>(a->real);
    a->real = nullptr;
    destroy(a);
    return data;
}

Outcome call(Entry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) noexcept {
    Outcome outcome;
    const int slots = nlhs > 1 ? nlhs : 1;
    std::vector<mxArray*> created;
#if defined(REGIONKIT_COUNTED_HOST)
    testsupport::callStarts();
#endif
    const auto refused = [&](const char* reason, const char* message) {
        outcome.raised = true;
        outcome.refusal = Refusal();
        outcome.refusal.id = std::string("regionkit:") + reason;
        outcome.refusal.reason = reason;
        outcome.refusal.message = message;
    };
    try {
        created.reserve(8);
        createdInCall = &created;
        entry(nlhs, plhs, nrhs, prhs);
    } catch (Refusal& r) {
        outcome.raised = true;
        outcome.refusal = std::move(r);
    } catch (const std::bad_alloc&) {
        refused("outOfMemory", "Out of memory.");
    } catch (...) {
        refused("internalError", "An unexpected internal error stopped the call.");
    }
    createdInCall = nullptr;
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

}  // namespace host
