// Counted requests, for the test builds (REGIONKIT_COUNTED_HOST): every
// allocation a plug-in makes of its own (the gateway's allocation path) and
// every array it asks the host for is counted per thread, so that a test can
// make the k-th request fail and find what a call left behind.
#ifndef REGIONKIT_TESTSUPPORT_COUNTING_H
#define REGIONKIT_TESTSUPPORT_COUNTING_H

#include <cstddef>

namespace testsupport {

// The allocation path of the plug-ins in the test builds. A request for zero
// bytes gets null, as MATLAB's mxMalloc and mxCalloc may answer it (glibc's
// malloc never does): a plug-in must not ask for nothing and take null for a
// failure.
void* countedMalloc(std::size_t bytes);
void* countedCalloc(std::size_t count, std::size_t size);
void countedFree(void* p);

// Called by the host: a call begins (its counts start from 0); an array is
// asked for (true when it is the request to fail; `inCall` counts it among
// the call's arrays); an array could not be made (throws, as GNU Octave does,
// when failCreationsByThrowing is on).
void callStarts();
bool arrayRequestFails(bool inCall);
void creationFailed();

// What the last call on this thread asked for.
struct Requests {
    std::size_t allocations = 0;    // allocations it made of its own
    std::size_t arraysCreated = 0;  // arrays it asked the host for
};
Requests lastRequests();

// Allocations of this thread's plug-in code still live.
std::size_t liveAllocations();

// Allocation failure injection, on this thread: the k-th request (counted
// from 1) of every later call fails, counting the plug-in's own allocations
// and the arrays it asks the host for together; 0 turns injection off.
// Creations outside a call count too, so the gateway can be tested alone.
void failAllocation(std::size_t k);
// A failed result creation throws, as GNU Octave's does, instead of returning null.
void failCreationsByThrowing(bool on);

}  // namespace testsupport

#endif
