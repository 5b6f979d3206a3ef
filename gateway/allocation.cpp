#include "allocation.h"

#include <cstdlib>

#ifdef REGIONKIT_STANDIN_HOST
#include "mex.h"
#endif

namespace gateway {

void* allocate(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
#ifdef REGIONKIT_STANDIN_HOST
    return testhostMalloc(bytes);
#else
    return std::malloc(bytes);
#endif
}

void* allocateZeroed(std::size_t count, std::size_t size) {
    if (count == 0 || size == 0) count = size = 1;
#ifdef REGIONKIT_STANDIN_HOST
    return testhostCalloc(count, size);
#else
    return std::calloc(count, size);
#endif
}

void release(void* p) {
#ifdef REGIONKIT_STANDIN_HOST
    testhostFree(p);
#else
    std::free(p);
#endif
}

}  // namespace gateway
