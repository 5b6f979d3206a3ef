#include "tallyWords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

struct Tally {
    std::vector<double> counts, totals;
    TallyFault fault;
};

Tally run(const std::vector<double>& words, const std::vector<double>& regions, int w, int r) {
    Tally out{std::vector<double>(static_cast<std::size_t>(w) * r), std::vector<double>(w), {}};
    const auto n = static_cast<std::int32_t>(words.size());
    const auto k = static_cast<std::int32_t>(regions.size()) / n;
    out.fault = tallyWords(words.data(), n, regions.data(), k, w, r, out.counts.data(), out.totals.data());
    return out;
}

std::vector<double> rowSums(const Tally& t, int w) {
    std::vector<double> sums(w);
    for (std::size_t i = 0; i < t.counts.size(); ++i) sums[i % w] += t.counts[i];
    return sums;
}

TEST(TallyWords, CountsTruncatedNumbersAndSkipsBothZeros) {
    // Three locations of words 1, 2, 1; memberships (1, 0, 2) then (2, 2, 0).
    Tally t = run({1, 2, 1}, {1, 0, 2, 2, 2, 0}, 2, 2);
    EXPECT_EQ(t.fault.kind, TallyFault::none);
    EXPECT_EQ(t.counts, (std::vector<double>{1, 0, 2, 1}));
    EXPECT_EQ(t.totals, (std::vector<double>{3, 1}));

    // -0.0 is no membership; 2.9 is region 2, word 1.5 is word 1; a region
    // named in two blocks counts twice; a location without memberships may
    // carry any word at all.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    t = run({1.5, nan, 2, -7}, {2.9, -0.0, 3, 0.0, /**/ 0, 0, 3, -0.0}, 2, 3);
    EXPECT_EQ(t.fault.kind, TallyFault::none);
    EXPECT_EQ(t.counts, (std::vector<double>{0, 0, 1, 0, 0, 2}));
    EXPECT_EQ(t.totals, (std::vector<double>{1, 2}));
}

TEST(TallyWords, StopsAtTheFirstMembershipItCannotCount) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // W = 2, R = 3; three locations whose third membership (block 1, location 2) is the probe.
    struct Case {
        double region, word;
        TallyFault::Kind kind;
    } cases[] = {
        {3.999, 2.999, TallyFault::none}, {nan, 1, TallyFault::badRegion}, {0.5, 1, TallyFault::badRegion},
        {-0.5, 1, TallyFault::badRegion}, {4, 1, TallyFault::badRegion},  {-1, 1, TallyFault::badRegion},
        {1e300, 1, TallyFault::badRegion}, {-inf, 1, TallyFault::badRegion}, {1, 0, TallyFault::badWord},
        {1, 0.99, TallyFault::badWord},   {1, 3, TallyFault::badWord},    {1, nan, TallyFault::badWord},
        {1, inf, TallyFault::badWord},    {1, -2, TallyFault::badWord},   {nan, nan, TallyFault::badRegion},
    };
    for (const Case& c : cases) {
        Tally t = run({1, 2, c.word}, {1, 0, 0, /**/ 0, 1, c.region}, 2, 3);
        EXPECT_EQ(t.fault.kind, c.kind) << c.region << " " << c.word;
        if (c.kind == TallyFault::none) {
            EXPECT_EQ(t.counts, (std::vector<double>{1, 1, 0, 0, 0, 1}));
            continue;
        }
        EXPECT_EQ(t.fault.membership, 5);
        EXPECT_EQ(t.fault.location, 2);
    }
    // W = 0 or R = 0 leaves nothing a membership could name.
    EXPECT_EQ(run({1}, {1}, 0, 1).fault.kind, TallyFault::badWord);
    EXPECT_EQ(run({1}, {1}, 1, 0).fault.kind, TallyFault::badRegion);
    EXPECT_EQ(run({1}, {0}, 0, 0).fault.kind, TallyFault::none);
}

TEST(TallyWords, OrderOfMembershipsDoesNotMatter) {
    const int n = 500, k = 4, w = 7, r = 5;
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> word(1, w), region(0, r);
    std::vector<double> words(n), regions(static_cast<std::size_t>(n) * k);
    for (double& v : words) v = word(rng) + 0.25;
    for (double& v : regions) v = region(rng);
    const Tally base = run(words, regions, w, r);
    ASSERT_EQ(base.fault.kind, TallyFault::none);
    EXPECT_EQ(base.totals, rowSums(base, w));

    // Shuffle the locations, and each location's memberships among its blocks.
    std::vector<int> order(n);
    for (int t = 0; t < n; ++t) order[t] = t;
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<double> words2(n), regions2(regions.size());
    for (int t = 0; t < n; ++t) {
        std::vector<double> own(k);
        for (int i = 0; i < k; ++i) own[i] = regions[order[t] + static_cast<std::size_t>(i) * n];
        std::shuffle(own.begin(), own.end(), rng);
        words2[t] = words[order[t]];
        for (int i = 0; i < k; ++i) regions2[t + static_cast<std::size_t>(i) * n] = own[i];
    }
    const Tally shuffled = run(words2, regions2, w, r);
    EXPECT_EQ(shuffled.counts, base.counts);
    EXPECT_EQ(shuffled.totals, base.totals);
}

}  // namespace
