#include "counting.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace testsupport {

namespace {

// Per thread: threads running calls side by side must not see one another's.
thread_local std::size_t allocationsMade = 0;
thread_local std::size_t arraysCreated = 0;
thread_local std::size_t requests = 0;  // both together: what failure injection counts
thread_local std::size_t failAt = 0;
thread_local bool failCreationByThrowing = false;
thread_local std::set<void*> live;  // the counted path's live allocations

// What GNU Octave throws when it cannot make an array: not a std::exception.
struct HostCannotAllocate {};

// Counts one request; true when it is the one to fail.
bool failThisRequest() { return ++requests == failAt; }

}  // namespace

void* countedMalloc(std::size_t bytes) {
    ++allocationsMade;
    if (failThisRequest() || bytes == 0) return nullptr;
    void* p = std::malloc(bytes);
    if (p != nullptr) live.insert(p);
    return p;
}

void* countedCalloc(std::size_t count, std::size_t size) {
    ++allocationsMade;
    if (failThisRequest() || count == 0 || size == 0) return nullptr;
    void* p = std::calloc(count, size);
    if (p != nullptr) live.insert(p);
    return p;
}

void countedFree(void* p) {
    if (p == nullptr) return;
    if (live.erase(p) == 0) {
        std::fprintf(stderr, "testsupport: free of a pointer the plug-in did not allocate\n");
        std::abort();
    }
    std::free(p);
}

void callStarts() {
    allocationsMade = 0;
    arraysCreated = 0;
    requests = 0;
}

bool arrayRequestFails(bool inCall) {
    if (inCall) ++arraysCreated;
    return failThisRequest();
}

void creationFailed() {
    if (failCreationByThrowing) throw HostCannotAllocate{};
}

Requests lastRequests() { return {allocationsMade, arraysCreated}; }

std::size_t liveAllocations() { return live.size(); }

void failAllocation(std::size_t k) {
    failAt = k;
    requests = 0;
}

void failCreationsByThrowing(bool on) { failCreationByThrowing = on; }

}  // namespace testsupport
