// The kernels of slideCorr in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "reentrant.h"
#include "slideDot.h"

#include <gtest/gtest.h>

using namespace regionkit;

using namespace reentrant;

void slideCorrThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    // Map widths around the vector and block widths, kernels of several shapes.
    const std::uint32_t shapes[][4] = {{1, 1, 1, 1}, {12, 1, 3, 1}, {9, 40, 5, 4}, {7, 33, 3, 3},
                                       {16, 97, 2, 7}, {40, 61, 5, 8}, {3, 3, 0, 0}};
    for (const auto& s : shapes) {
        const std::uint32_t M = s[0], N = s[1], m = s[2], n = s[3];
        auto a = share(spreadValues(std::size_t{M} * N, rng, 0.0));
        auto k = share(spreadValues(std::size_t{m} * n, rng, 0.0));
        eachLevel(jobs, "slideDotOn " + std::to_string(M) + "x" + std::to_string(N) + " by " + std::to_string(m) + "x" +
                            std::to_string(n),
                  [=](isa::Isa level) {
                      Values out(std::size_t{M - m + 1} * (N - n + 1));
                      slideDotOn(level, a->data(), M, N, k->data(), m, n, out.data());
                      return out;
                  });
    }
}

// The first calls of a process find out which level the machine runs; eight
// threads make theirs at the same moment, through the entry points that
// choose the level themselves.
TEST(Reentrant, FirstCallsChooseTheLevelTogether) {
    const std::uint32_t M = 9, N = 40, m = 3, n = 4;
    std::mt19937 rng(5);
    const Values a = spreadValues(std::size_t{M} * N, rng, 0.0), k = spreadValues(std::size_t{m} * n, rng, 0.0);
    std::vector<Values> got(threadCount, Values(std::size_t{M - m + 1} * (N - n + 1)));
    std::vector<int> widest(threadCount);
    together([&](int t) {
        slideDot(a.data(), M, N, k.data(), m, n, got[static_cast<std::size_t>(t)].data());
        widest[static_cast<std::size_t>(t)] = static_cast<int>(isa::widest());
    });
    Values want(got[0].size());
    slideDotOn(isa::widest(), a.data(), M, N, k.data(), m, n, want.data());
    for (int t = 0; t < threadCount; ++t) {
        EXPECT_EQ(widest[static_cast<std::size_t>(t)], static_cast<int>(isa::widest())) << "thread " << t;
        EXPECT_TRUE(testsupport::sameBits(got[static_cast<std::size_t>(t)], want)) << "thread " << t;
    }
}
