#include "calls.h"

#include "array.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

namespace testsupport {

namespace {

ArrayPtr made(mxArray* a) {
    if (a == nullptr) throw std::bad_alloc();
    return ArrayPtr(a);
}

std::vector<unsigned char> bytesOf(const mxArray* a) {
    std::vector<unsigned char> bytes;
    if (a->real != nullptr) bytes.assign(a->real, a->real + a->count * a->elementSize);
    if (a->imag != nullptr) bytes.insert(bytes.end(), a->imag, a->imag + a->count * a->elementSize);
    return bytes;
}

}  // namespace

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

ArrayPtr text(const std::string& characters) { return host::text(characters); }

ArrayPtr zeros(std::size_t rows, std::size_t cols) { return array(mxDOUBLE_CLASS, {rows, cols}); }

ArrayPtr array(mxClassID cls, const std::vector<std::size_t>& dims, bool complex, bool sparse) {
    const std::vector<mwSize> shape(dims.begin(), dims.end());
    return made(host::newArray(cls, shape.data(), shape.size(), complex, sparse));
}

std::vector<double> values(const mxArray* a) {
    std::vector<double> v(a->count);
    if (a->cls == mxDOUBLE_CLASS && a->count != 0 && a->real != nullptr) std::memcpy(v.data(), a->real, a->count * 8);
    return v;
}

#if defined(_WIN32)
Plugin::Plugin(const std::string& path) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr)
        throw std::runtime_error("LoadLibrary failed (error " + std::to_string(GetLastError()) + "): " + path);
    handle_ = module;
    entry_ = reinterpret_cast<host::Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, "mexFunction")));
    if (entry_ == nullptr) throw std::runtime_error("no mexFunction in " + path);
}

Plugin::~Plugin() { FreeLibrary(static_cast<HMODULE>(handle_)); }
#else
Plugin::Plugin(const std::string& path) {
    handle_ = dlopen(path.empty() ? nullptr : path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw std::runtime_error(std::string("dlopen: ") + dlerror());
    entry_ = reinterpret_cast<host::Entry>(dlsym(handle_, "mexFunction"));
    if (entry_ == nullptr) throw std::runtime_error("no mexFunction in " + path);
}

Plugin::~Plugin() { dlclose(handle_); }
#endif

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
    host::Outcome outcome = host::call(entry_, nlhs, plhs.get(), static_cast<int>(args.size()), prhs.get());
    const Requests requests = lastRequests();
    result.raised = outcome.raised;
    result.id = outcome.refusal.id;
    result.message = outcome.refusal.message;
    result.refusal = std::move(outcome.refusal);
    result.allocations = requests.allocations;
    result.arraysCreated = requests.arraysCreated;
    result.leakedArrays = outcome.leakedArrays;
    for (std::size_t i = 0; i < slots; ++i) result.outputs.emplace_back(plhs[i]);
    result.leakedAllocations = liveAllocations() - liveBefore;
    for (std::size_t i = 0; i < args.size(); ++i)
        if (bytesOf(args[i]) != before[i]) result.argumentsUnchanged = false;
    return result;
}

}  // namespace testsupport
