// The one allocation path of every plug-in: plain malloc/calloc/free in a real
// host, a counted path that can be made to fail in the stand-in host.
// A null return always means failure: zero-byte requests get a real block.
#ifndef REGIONKIT_GATEWAY_ALLOCATION_H
#define REGIONKIT_GATEWAY_ALLOCATION_H

#include <cstddef>
#include <new>

namespace gateway {

void* allocate(std::size_t bytes);
void* allocateZeroed(std::size_t count, std::size_t size);
void release(void* p);

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
