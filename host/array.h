// How the host of our own holds an array: for the host and for the test
// support that builds and inspects arrays (testsupport/), nothing else.
//
// Arrays the host creates hold their data in allocations of exactly their
// element count, so a read or write past them is caught by AddressSanitizer.
// Arguments the Python module passes view the caller's data instead.
#ifndef REGIONKIT_HOST_ARRAY_H
#define REGIONKIT_HOST_ARRAY_H

#include "mex.h"

#include <cstddef>

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

#endif
