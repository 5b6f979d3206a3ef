// The kernels called from many threads at once, as MATLAB's worker threads
// and users' own programs call them: every result must be the one a single
// thread gets, to the bit. Built with ThreadSanitizer, which reports any data
// the calls share without order (a cache, a lazily chosen path, a static
// scratch buffer). Each plug-in gives its kernels' calls (threadJobs.cpp in
// its tests folder); the build lists them in threadPlugins.h.
#include "reentrant.h"
#include "threadPlugins.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace reentrant;

Jobs everyKernel() {
    std::mt19937 rng(20240611);
    Jobs jobs;
#define REGIONKIT_THREAD_JOBS(name) name##ThreadJobs(jobs, rng);
    REGIONKIT_THREAD_PLUGINS(REGIONKIT_THREAD_JOBS)
#undef REGIONKIT_THREAD_JOBS
    return jobs;
}

TEST(Reentrant, EveryKernelOnEveryLevelGivesTheOneThreadBits) {
    const std::vector<Job> jobs = everyKernel();
    std::vector<Values> want;
    for (const Job& job : jobs) want.push_back(job.run());

    // Each thread runs every job, in an order of its own, several times over,
    // so that different kernels and sizes overlap in time.
    constexpr int rounds = 3;
    std::vector<std::vector<std::size_t>> wrong(threadCount);
    together([&](int t) {
        std::vector<std::size_t> order(jobs.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::mt19937 shuffle(static_cast<std::uint32_t>(t));
        for (int round = 0; round < rounds; ++round) {
            std::shuffle(order.begin(), order.end(), shuffle);
            for (std::size_t i : order)
                if (!testsupport::sameBits(jobs[i].run(), want[i])) wrong[static_cast<std::size_t>(t)].push_back(i);
        }
    });
    for (int t = 0; t < threadCount; ++t)
        for (std::size_t i : wrong[static_cast<std::size_t>(t)]) ADD_FAILURE() << "thread " << t << ": " << jobs[i].name;
    EXPECT_GT(levels().size(), 1u);
}

}  // namespace
