// The allocation paths of every plug-in, each counted and made to fail at will
// in the test builds (testsupport/counting.h). A null return always means
// failure: zero-byte requests get a real block.
//
// allocate/allocateZeroed/release: memory the call needs. In MATLAB it comes
// from mxMalloc/mxCalloc, so that MATLAB frees it when it ends a call itself,
// and a failure there ends the call with MATLAB's own out-of-memory error
// instead of returning null; elsewhere from malloc/calloc.
//
// tryAllocate/releaseTried: a working buffer the call can do without, or
// refuse cleanly without: malloc/free in every host, so that a failure returns
// null in MATLAB too. Such a buffer must be released before anything that can
// end the call (a result created, a refusal raised), which MATLAB would
// otherwise end with the buffer still held.
#ifndef REGIONKIT_GATEWAY_ALLOCATION_H
#define REGIONKIT_GATEWAY_ALLOCATION_H

#include <cstddef>
#include <new>

namespace gateway {

void* allocate(std::size_t bytes);
void* allocateZeroed(std::size_t count, std::size_t size);
void release(void* p);

void* tryAllocate(std::size_t bytes);
void releaseTried(void* p);

// For standard containers (rectCull's growable lists): the same path, with
// failure reported as std::bad_alloc, which each entry catches.
template <class T>
struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <class U>
    Allocator(const Allocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        void* p = gateway::allocate(n * sizeof(T));
        if (p == nullptr) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) { gateway::release(p); }
    template <class U>
    bool operator==(const Allocator<U>&) const { return true; }
    template <class U>
    bool operator!=(const Allocator<U>&) const { return false; }
};

}  // namespace gateway

#endif
