#include "allocation.h"

#include <cstdlib>

// In MATLAB (whose mex defines MATLAB_MEX_FILE; GNU Octave's does not) the
// working memory comes from mxMalloc/mxCalloc: an error the host raises
// itself, such as a failed result creation, ends the call without returning
// here, and MATLAB then releases that memory, which it would not do for malloc.
#if defined(REGIONKIT_COUNTED_HOST)
#include "counting.h"
#elif defined(MATLAB_MEX_FILE)
#include "mex.h"
#endif

namespace gateway {

void* allocate(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
#if defined(REGIONKIT_COUNTED_HOST)
    return testsupport::countedMalloc(bytes);
#elif defined(MATLAB_MEX_FILE)
    return mxMalloc(bytes);
#else
    return std::malloc(bytes);
#endif
}

void* allocateZeroed(std::size_t count, std::size_t size) {
    if (count == 0 || size == 0) count = size = 1;
#if defined(REGIONKIT_COUNTED_HOST)
    return testsupport::countedCalloc(count, size);
#elif defined(MATLAB_MEX_FILE)
    return mxCalloc(count, size);
#else
    return std::calloc(count, size);
#endif
}

void release(void* p) {
#if defined(REGIONKIT_COUNTED_HOST)
    testsupport::countedFree(p);
#elif defined(MATLAB_MEX_FILE)
    mxFree(p);
#else
    std::free(p);
#endif
}

void* tryAllocate(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
#if defined(REGIONKIT_COUNTED_HOST)
    return testsupport::countedMalloc(bytes);
#else
    return std::malloc(bytes);
#endif
}

void releaseTried(void* p) {
#if defined(REGIONKIT_COUNTED_HOST)
    testsupport::countedFree(p);
#else
    std::free(p);
#endif
}

}  // namespace gateway
