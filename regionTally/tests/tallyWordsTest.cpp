#include "tallyWords.h"

#include "levels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <vector>

using namespace regionkit;

namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

struct Tally {
    std::vector<double> counts, totals;
    TallyFault fault;
};

// Counts straight into the results, or, with `table`, through the working
// table the tally asks for (given to it full of leftovers), at every level
// this machine runs, which must agree.
Tally run(const std::vector<double>& words, const std::vector<double>& regions, int w, int r, bool table = false) {
    const auto n = static_cast<std::int32_t>(words.size());
    const auto k = static_cast<std::int32_t>(regions.size()) / n;
    Tally first;
    for (isa::Isa level : testsupport::levels()) {
        Tally out{std::vector<double>(static_cast<std::size_t>(w) * r), std::vector<double>(w), {}};
        std::vector<unsigned char> work(table ? tallyWorkBytes(n, k, w, r) : 0, 0xab);
        EXPECT_EQ(table, !work.empty()) << "the sizes do not call for a working table";
        out.fault = tallyWordsOn(level, words.data(), n, regions.data(), k, w, r, out.counts.data(),
                                 out.totals.data(), work.empty() ? nullptr : work.data());
        if (level == isa::Isa::scalar) {
            first = out;
            continue;
        }
        EXPECT_EQ(out.counts, first.counts) << isa::name(level);
        EXPECT_EQ(out.totals, first.totals) << isa::name(level);
        EXPECT_EQ(out.fault.kind, first.fault.kind) << isa::name(level);
        EXPECT_EQ(out.fault.membership, first.fault.membership) << isa::name(level);
    }
    return first;
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
    t = run({1.5, nan, 2, -7}, {2.9, -0.0, 3, 0.0, /**/ 0, 0, 3, -0.0}, 2, 3);
    EXPECT_EQ(t.fault.kind, TallyFault::none);
    EXPECT_EQ(t.counts, (std::vector<double>{0, 0, 1, 0, 0, 2}));
    EXPECT_EQ(t.totals, (std::vector<double>{1, 2}));
}

TEST(TallyWords, StopsAtTheFirstMembershipItCannotCount) {
    const double inf = std::numeric_limits<double>::infinity();
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

// Sizes at which the tally takes a working table: 300 x 150 cells, columns of
// 512, and enough memberships for them; 22003 locations leave partial runs.
const int tableWords = 300, tableRegions = 150, tableLocations = 22003;

std::vector<double> randomWords(std::mt19937& rng, int n, int w) {
    std::uniform_real_distribution<double> word(1.0, w + 0.999);
    std::vector<double> words(n);
    for (double& v : words) v = word(rng);
    return words;
}

// k blocks, about a quarter none (0.0 or -0.0), the rest fractional region numbers.
std::vector<double> randomRegions(std::mt19937& rng, int n, int k, int r) {
    std::uniform_real_distribution<double> region(1.0, r + 0.999), uniform(0.0, 1.0);
    std::vector<double> regions(static_cast<std::size_t>(n) * k);
    for (double& v : regions) {
        const double u = uniform(rng);
        v = u < 0.125 ? 0.0 : u < 0.25 ? -0.0 : region(rng);
    }
    return regions;
}

// Memberships that cannot be counted, put into a tally of the table sizes;
// the last of a set is the first in storage order.
struct Fault {
    std::int64_t membership;
    double region, word;  // word: put at the membership's location, unless NaN
};

// Both ways of tallying report the first fault of the set, where it is.
void expectFirstFault(std::vector<double> words, std::vector<double> regions, int w, const std::vector<Fault>& faults) {
    for (const Fault& f : faults) {
        const std::int64_t t = f.membership % tableLocations;
        if (!std::isnan(f.word)) {
            // The fault's membership is its location's only one.
            for (int i = 0; i < 3; ++i) regions[t + static_cast<std::int64_t>(i) * tableLocations] = 0.0;
            words[t] = f.word;
        }
        regions[f.membership] = f.region;
    }
    const Fault& first = faults.back();
    const Tally a = run(words, regions, w, tableRegions), b = run(words, regions, w, tableRegions, true);
    for (const Tally* t : {&a, &b}) {
        EXPECT_EQ(t->fault.kind, first.region >= 1 && first.region < tableRegions + 1 ? TallyFault::badWord
                                                                                      : TallyFault::badRegion)
            << first.membership << " " << first.region << " " << first.word << ", W = " << w;
        EXPECT_EQ(t->fault.membership, first.membership);
        EXPECT_EQ(t->fault.location, first.membership % tableLocations);
    }
}

TEST(TallyWords, WorkingTableGivesTheSameCountsAndFaults) {
    std::mt19937 rng(11);
    const std::vector<double> words = randomWords(rng, tableLocations, tableWords);
    std::vector<double> regions = randomRegions(rng, tableLocations, 3, tableRegions);
    // The first and last region numbers exactly, in vectors and in the last run's tail.
    for (int t : {8, 9, 3 * tableLocations - 3, 3 * tableLocations - 2}) regions[t] = t % 2 ? 1.0 : tableRegions;
    // Words outside 1 .. W where a location has no membership change nothing.
    std::vector<double> oddWords = words;
    for (int t : {0, 1, 2, 3, 1027, tableLocations - 1}) {
        for (int i = 0; i < 3; ++i) regions[t + static_cast<std::size_t>(i) * tableLocations] = 0.0;
        oddWords[t] = t % 2 ? -5.0 : std::nan("");
    }
    const Tally straight = run(oddWords, regions, tableWords, tableRegions);
    ASSERT_EQ(straight.fault.kind, TallyFault::none);
    EXPECT_EQ(straight.totals, rowSums(straight, tableWords));
    const Tally table = run(oddWords, regions, tableWords, tableRegions, true);
    EXPECT_EQ(table.fault.kind, TallyFault::none);
    EXPECT_EQ(table.counts, straight.counts);
    EXPECT_EQ(table.totals, straight.totals);

    // Without totals only the counts are formed.
    std::vector<double> counts(straight.counts.size());
    std::vector<unsigned char> work(tallyWorkBytes(tableLocations, 3, tableWords, tableRegions));
    tallyWords(oddWords.data(), tableLocations, regions.data(), 3, tableWords, tableRegions, counts.data(), nullptr,
               work.data());
    EXPECT_EQ(counts, straight.counts);

    // Whichever membership either way meets first, both report the first in
    // storage order: here a later block's fault in an earlier run of
    // locations comes after an earlier block's fault in a later one.
    const std::vector<std::vector<Fault>> faultSets = {
        {{2 * tableLocations + 3, 151, nan}, {tableLocations + 4000, 0.5, nan}},
        {{2 * tableLocations + 1, 7, 301}, {tableLocations + 4001, 7, 0}},
        {{tableLocations - 1, -1, nan}},
        {{tableLocations + 4003, 2, 1e10}, {tableLocations + 4002, nan, nan}},
        {{5, 1e300, nan}},
    };
    for (const auto& faults : faultSets) expectFirstFault(words, regions, tableWords, faults);
}

TEST(TallyWords, WorkingTableRefusesOneAboveWOrR) {
    // Word W + 1 has a cell in the table all the same: a padding cell of its
    // column with W = 300, the next column's first (or one past the table)
    // with W = 256. Region R + 1 in a group of four memberships, and among the
    // last run's leftover three.
    std::mt19937 rng(5);
    for (int w : {300, 256}) {
        const std::vector<double> words = randomWords(rng, tableLocations, w);
        const std::vector<double> regions = randomRegions(rng, tableLocations, 3, tableRegions);
        const std::vector<std::vector<Fault>> faultSets = {
            {{tableLocations + 4001, 1, w + 1.0}},
            {{2 * tableLocations + 7, tableRegions, w + 1.5}},
            {{tableLocations + 4000, tableRegions + 1.0, nan}},
            {{2 * tableLocations + 22001, tableRegions + 1.5, nan}},
        };
        for (const auto& faults : faultSets) expectFirstFault(words, regions, w, faults);
    }
}

TEST(TallyWords, WorkingTableCountsPastSixteenBits) {
    // Word w at the locations of the w-th group, all in region 2: counts just
    // under, at and past the 16-bit limit, and twice past it; then more zero
    // memberships than that limit.
    const std::vector<int> group = {65535, 65536, 65537, 131073, 1};
    const int zeros = 70000, w = 256, r = 256;
    std::vector<double> words, regions;
    for (std::size_t g = 0; g < group.size(); ++g)
        for (int t = 0; t < group[g]; ++t) {
            words.push_back(static_cast<double>(g + 1));
            regions.push_back(2.5);
        }
    words.resize(words.size() + zeros, 9.0);
    regions.resize(words.size(), 0.0);
    const Tally t = run(words, regions, w, r, true);
    ASSERT_EQ(t.fault.kind, TallyFault::none);
    for (std::size_t g = 0; g < group.size(); ++g) {
        EXPECT_EQ(t.counts[g + w], group[g]) << "word " << g + 1;
        EXPECT_EQ(t.totals[g], group[g]) << "word " << g + 1;
    }
    EXPECT_EQ(std::accumulate(t.counts.begin(), t.counts.end(), 0.0),
              std::accumulate(group.begin(), group.end(), 0.0));
}

}  // namespace
