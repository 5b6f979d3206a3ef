#include "host.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

// What the host's error calls throw, through the entry, to pyhost::call.
struct Raised {
    std::string id;
    std::string message;
};

// Arrays created during the current call on this thread, so a call never
// leaks one, whatever the entry does.
thread_local std::vector<mxArray*>* createdInCall = nullptr;

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

void forget(mxArray* a) {
    if (createdInCall == nullptr) return;
    for (mxArray*& c : *createdInCall)
        if (c == a) c = nullptr;
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
double* mxGetPr(const mxArray* a) { return a->cls == mxDOUBLE_CLASS ? a->data : nullptr; }
double mxGetScalar(const mxArray* a) { return a->data != nullptr && a->count > 0 ? a->data[0] : 0.0; }

bool mxIsDouble(const mxArray* a) { return a->cls == mxDOUBLE_CLASS; }
bool mxIsComplex(const mxArray* a) { return a->complex; }
bool mxIsSparse(const mxArray*) { return false; }
bool mxIsEmpty(const mxArray* a) { return a->count == 0; }
mxClassID mxGetClassID(const mxArray* a) { return a->cls; }
const char* mxGetClassName(const mxArray* a) { return a->className; }

mxArray* mxCreateDoubleMatrix(mwSize m, mwSize n, mxComplexity flag) {
    if (flag != mxREAL) return nullptr;  // results are real; no entry asks for complex ones
    if (n != 0 && m > static_cast<mwSize>(-1) / sizeof(double) / n) return nullptr;
    const std::size_t count = m * n;
    auto* a = new (std::nothrow) mxArray;
    if (a == nullptr) return nullptr;
    a->data = static_cast<double*>(std::calloc(count == 0 ? 1 : count, sizeof(double)));
    if (a->data == nullptr) {
        delete a;
        return nullptr;
    }
    a->owned = true;
    a->dims[0] = m;
    a->dims[1] = n;
    a->count = count;
    if (createdInCall != nullptr) {
        try {
            createdInCall->push_back(a);
        } catch (const std::bad_alloc&) {
            std::free(a->data);
            delete a;
            return nullptr;
        }
    }
    return a;
}

void mxDestroyArray(mxArray* a) {
    if (a == nullptr) return;
    forget(a);
    if (a->owned) std::free(a->data);
    delete a;
}

void* mxMalloc(size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }
void* mxCalloc(size_t count, size_t size) { return std::calloc(count == 0 ? 1 : count, size == 0 ? 1 : size); }
void mxFree(void* p) { std::free(p); }

void mexErrMsgTxt(const char* text) { throw Raised{"", text}; }

void mexErrMsgIdAndTxt(const char* id, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = formatted(format, args);
    va_end(args);
    throw Raised{id, std::move(text)};
}

}  // extern "C"

namespace pyhost {

Outcome call(Entry entry, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) noexcept {
    Outcome outcome;
    const int slots = nlhs > 1 ? nlhs : 1;
    std::vector<mxArray*> created;
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
    // Only arrays still live in this call count as results; a failed call's
    // results are discarded, as a host discards them.
    for (int i = 0; i < slots; ++i) {
        bool live = false;
        for (mxArray*& c : created)
            if (c != nullptr && c == plhs[i]) {
                live = true;
                if (!outcome.raised) c = nullptr;  // handed to the caller
            }
        if (!live || outcome.raised) plhs[i] = nullptr;
    }
    for (mxArray* c : created) mxDestroyArray(c);
    return outcome;
}

double* takeData(mxArray* a) {
    double* data = a->data;
    a->data = nullptr;
    delete a;
    return data;
}

}  // namespace pyhost
