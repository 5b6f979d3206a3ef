#include "cullBoxes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace regionkit;

namespace {

ScoredBox box(int x, int y, int w, int h, float score = 1.0f) { return {x, y, w, h, score}; }

// The plain walk: sort, keep the first, remove each candidate reaching the
// threshold by shifting the rest one place forward. Works on input positions,
// so that it also tells which rows were kept.
RowList referenceRows(const BoxList& candidates, float threshold) {
    RowList order(candidates.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (std::isnan(candidates[b].score)) return !std::isnan(candidates[a].score);
        return candidates[a].score > candidates[b].score;
    });
    RowList kept;
    if (static_cast<double>(threshold) > 0.99) return kept;
    while (!order.empty()) {
        const ScoredBox best = candidates[order.front()];
        kept.push_back(order.front());
        order.erase(order.begin());
        float effective = threshold;
        if (static_cast<long long>(best.w) * best.h <= 4096)
            effective = static_cast<float>(static_cast<double>(threshold) + 0.1);
        for (std::size_t i = 0; i < order.size();) {
            if (boxOverlap(best, candidates[order[i]]) >= effective)
                order.erase(order.begin() + static_cast<long>(i));
            else
                ++i;
        }
    }
    return kept;
}

BoxList boxesAt(const BoxList& boxes, const RowList& rows) {
    BoxList out;
    for (std::uint32_t r : rows) out.push_back(boxes[r]);
    return out;
}

BoxList referenceCull(const BoxList& candidates, float threshold) {
    return boxesAt(candidates, referenceRows(candidates, threshold));
}

// Culls a copy of the candidates; the kept rows must name the kept boxes and
// be the rows the plain walk keeps.
BoxList cull(const BoxList& candidates, float threshold) {
    BoxList work = candidates, kept;
    RowList rows;
    cullBoxes(work, threshold, kept, nullptr, &rows);
    EXPECT_EQ(rows, referenceRows(candidates, threshold));
    EXPECT_EQ(rows.size(), kept.size());
    return kept;
}

bool same(const ScoredBox& a, const ScoredBox& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h &&
           (a.score == b.score || (std::isnan(a.score) && std::isnan(b.score)));
}

TEST(BoxOverlap, MeasuresIntersectionOverUnionInSinglePrecision) {
    EXPECT_EQ(boxOverlap(box(0, 0, 10, 10), box(5, 0, 10, 10)), 50.0f / 150.0f);
    EXPECT_EQ(boxOverlap(box(0, 0, 10, 10), box(0, 0, 10, 10)), 1.0f);
    // Touching on either side, or lying wholly beyond the far edge, is no overlap.
    EXPECT_EQ(boxOverlap(box(0, 0, 10, 10), box(10, 0, 10, 10)), 0.0f);
    EXPECT_EQ(boxOverlap(box(10, 0, 10, 10), box(0, 0, 10, 10)), 0.0f);
    EXPECT_EQ(boxOverlap(box(0, 0, 10, 10), box(30, 30, 5, 5)), 0.0f);
    // A kept box without positive width or height overlaps nothing.
    EXPECT_EQ(boxOverlap(box(0, 0, 0, 10), box(0, 0, 10, 10)), 0.0f);
    EXPECT_EQ(boxOverlap(box(0, 0, 10, -1), box(0, 0, 10, 10)), 0.0f);
    // A candidate of negative height wholly above the kept box, or of negative
    // width wholly left of it, ends before its near edge: 0, not 0/0.
    EXPECT_EQ(boxOverlap(box(0, 0, 100, 100), box(5, -300, 100, -100)), 0.0f);
    EXPECT_EQ(boxOverlap(box(0, 0, 100, 100), box(-300, 5, -100, 100)), 0.0f);
    // So at threshold 0 a large kept box removes them.
    EXPECT_EQ(cull({box(0, 0, 100, 100, 2), box(5, -300, 100, -100, 1)}, 0.0f).size(), 1u);
}

TEST(BoxOverlap, FlatOrNegativeBoxesThatMeetNothingOverlapZeroNotNaN) {
    // A kept box and a candidate whose areas cancel, so that measuring them
    // would give 0/0. Each pair overlaps 0, which reaches a threshold at or
    // below 0 (plus 0.1 for a small kept box): the candidate is removed.
    struct Case {
        ScoredBox kept, candidate;
        float threshold;
    } cases[] = {
        {box(0, 0, 10, 10), box(0, 10, 10, -10), -0.5f},   // candidate ends exactly at the kept box's top
        {box(0, 0, 10, 10), box(10, 0, -10, 10), -0.5f},   // ... at its left edge
        {box(0, 0, 100, 100), box(0, 100, 100, -100), 0.0f},
        {box(0, 0, 10, -5), box(100, 100, 5, 10), -0.5f},  // kept box flat in height only
        {box(0, 0, -5, 10), box(100, 100, 10, 5), -0.5f},  // ... in width only
        {box(0, 0, 10, 0), box(0, 5, 10, 0), -0.1f},
        {box(0, 0, 0, 10), box(5, 0, 0, 10), -0.1f},
    };
    for (const Case& c : cases) {
        const ScoredBox kept{c.kept.x, c.kept.y, c.kept.w, c.kept.h, 0.9f};
        const ScoredBox candidate{c.candidate.x, c.candidate.y, c.candidate.w, c.candidate.h, 0.5f};
        EXPECT_EQ(boxOverlap(kept, candidate), 0.0f) << c.candidate.x << " " << c.candidate.y;
        EXPECT_EQ(cull({candidate, kept}, c.threshold).size(), 1u) << c.candidate.x << " " << c.candidate.y;
    }
}

TEST(BoxOverlap, EdgesBeyondThirtyTwoBitsStayDefined) {
    const int big = std::numeric_limits<int>::max();
    // Far edges that a 32-bit sum would wrap: measured exactly instead.
    EXPECT_EQ(boxOverlap(box(big - 5, 0, 10, 10), box(big - 5, 0, 10, 10)), 1.0f);
    EXPECT_EQ(boxOverlap(box(big - 5, 0, 10, 10), box(big - 100, 0, 10, 10)), 0.0f);
    const ScoredBox huge = box(0, 0, big, big);
    EXPECT_GT(boxOverlap(huge, huge), 0.99f);
    EXPECT_EQ(cull({huge, huge}, 0.5f).size(), 1u);
}

TEST(CullBoxes, SmallKeptBoxesSuppressLess) {
    // Overlap 1/3 against threshold 0.3: a kept box of area 100 is small (0.4), so the candidate stays.
    EXPECT_EQ(cull({box(0, 0, 10, 10, 2), box(5, 0, 10, 10, 1)}, 0.3f).size(), 2u);
    // Scaled by ten the overlap is the same, but the area is not small any more.
    EXPECT_EQ(cull({box(0, 0, 100, 100, 2), box(50, 0, 100, 100, 1)}, 0.3f).size(), 1u);
    // 4096 is still small, 4097 is not: overlaps of about 0.35 against 0.4 and 0.3.
    const float t = 0.3f;
    EXPECT_EQ(cull({box(0, 0, 4097, 1, 2), box(0, 0, 1434, 1, 1)}, t).size(), 1u);
    EXPECT_EQ(cull({box(0, 0, 4096, 1, 2), box(0, 0, 1434, 1, 1)}, t).size(), 2u);
}

TEST(CullBoxes, ThresholdLimitsAndEdges) {
    const ScoredBox a = box(0, 0, 10, 10, 2), b = box(0, 0, 10, 10, 1), far = box(500, 500, 10, 10, 0);
    // Above the 0.99 limit nothing is kept; the next float below it culls normally.
    const ScoredBox bigA = box(0, 0, 100, 100, 2), bigB = box(0, 0, 100, 100, 1);
    EXPECT_TRUE(cull({bigA, bigB}, 0.99f).empty());
    EXPECT_EQ(cull({bigA, bigB}, std::nextafter(0.99f, 0.0f)).size(), 1u);
    // An overlap equal to the effective threshold removes: 0.9 + 0.1 is exactly 1 for a small box.
    EXPECT_EQ(cull({a, b}, 0.9f).size(), 1u);
    // An effective threshold above 1 removes nothing, not even a twin.
    EXPECT_EQ(cull({a, b}, 0.95f).size(), 2u);
    // At or below -0.1 every kept box removes everything, disjoint boxes included.
    EXPECT_EQ(cull({a, far, b}, -0.1f).size(), 1u);
    // A NaN threshold removes nothing and keeps the score order.
    const BoxList all = cull({far, b, a}, std::nanf(""));
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(same(all[0], a) && same(all[1], b) && same(all[2], far));
    // Nothing in, nothing out.
    EXPECT_TRUE(cull({}, 0.5f).empty());
}

TEST(CullBoxes, BoxesWithoutPositiveSizeRemoveNothingAtPositiveThresholds) {
    // More than 64 boxes at a positive threshold: the walk that measures only
    // boxes lying near each other. Boxes of negative height or width overlap
    // nothing, however they lie, so every one is kept, best first.
    BoxList flat, mixed;
    for (int i = 0; i < 65; ++i) {
        flat.push_back(box(i, 0, 50, -100, static_cast<float>(i)));
        mixed.push_back(box(i, i % 7, i % 3 == 0 ? -40 : 40, i % 3 == 1 ? -40 : 40, static_cast<float>(i % 11)));
    }
    BoxList kept = cull(flat, 0.5f);
    ASSERT_EQ(kept.size(), 65u);
    for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i].x, 64 - static_cast<int>(i));
    // Mixed with boxes of positive size, which do suppress one another.
    const BoxList expected = referenceCull(mixed, 0.5f);
    kept = cull(mixed, 0.5f);
    ASSERT_EQ(kept.size(), expected.size());
    for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_TRUE(same(kept[i], expected[i])) << i;
}

TEST(CullBoxes, SortIsStableWithNaNScoresLast) {
    const float nan = std::nanf("");
    const BoxList kept = cull({box(0, 0, 1, 1, nan), box(10, 0, 1, 1, 1), box(20, 0, 1, 1, 5),
                               box(30, 0, 1, 1, 1), box(40, 0, 1, 1, nan)},
                              0.5f);
    ASSERT_EQ(kept.size(), 5u);
    const int order[5] = {20, 10, 30, 0, 40};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(kept[static_cast<std::size_t>(i)].x, order[i]);
}

TEST(CullBoxes, MatchesThePlainWalkOnClusteredBoxes) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> centre(0, 300), jitter(-8, 8), size(-2, 90), coarse(0, 6);
    const float thresholds[] = {-0.2f, 0.0f, 0.3f, 0.5f, 0.7f, 0.9f, 0.95f};
    for (int round = 0; round < 40; ++round) {
        BoxList boxes;
        for (int c = 0; c < 20; ++c) {
            const int cx = centre(rng), cy = centre(rng);
            for (int k = 0; k < 15; ++k) {
                const int pick = coarse(rng);
                const float score = pick == 0 ? std::nanf("") : pick == 1 ? -0.0f : static_cast<float>(coarse(rng));
                boxes.push_back(box(cx + jitter(rng), cy + jitter(rng), size(rng), size(rng), score));
            }
        }
        // A few boxes spanning much of the scene, and one far away.
        if (round % 3 == 0) boxes.push_back(box(-5, -5, 400, 300, 3));
        if (round % 4 == 0) boxes.push_back(box(0, 0, 2000, 2000, 4));
        if (round % 5 == 0) boxes.push_back(box(2000000000, -2000000000, 50, 50, 2));
        const float t = thresholds[round % 7];
        BoxList candidates = boxes, kept;
        RowList rows;
        cullBoxes(candidates, t, kept, nullptr, &rows);
        const RowList expectedRows = referenceRows(boxes, t);
        ASSERT_EQ(rows, expectedRows) << "round " << round;
        const BoxList expected = boxesAt(boxes, expectedRows);
        for (std::size_t i = 0; i < kept.size(); ++i) ASSERT_TRUE(same(kept[i], expected[i])) << round << ":" << i;
        EXPECT_TRUE(candidates.empty());
    }
}

TEST(CullBoxes, GridWorkStaysNearEachKeptBox) {
    // Spread-out boxes, most of them kept: scattered over the whole coordinate
    // range, on a jittered lattice where neighbours overlap a little, that
    // lattice among long flat boxes (no area, so never measured and never in
    // the grid), and that lattice among a few boxes each larger than all of
    // it (listed apart from the cells, or every query would walk the cells
    // up and to the left of its box). The grid takes about as many cells as
    // boxes, however far apart they lie; each kept box of positive size meets
    // at least its own entry and only the few candidates near it.
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> anywhere(-2000000000, 2000000000), size(10, 60), jitter(-10, 10);
    std::uniform_real_distribution<float> score(0.0f, 1.0f);
    BoxList scattered, lattice;
    for (int i = 0; i < 3000; ++i) {
        scattered.push_back(box(anywhere(rng), anywhere(rng), size(rng), size(rng), score(rng)));
        lattice.push_back(box(i % 55 * 40 + jitter(rng), i / 55 * 40 + jitter(rng), size(rng), size(rng), score(rng)));
    }
    BoxList withFlat = lattice;
    for (int i = 0; i < 1000; ++i)
        withFlat.push_back(i % 2 ? box(i * 3 % 2200, i * 7 % 2200, 1000000, 0, score(rng))
                                 : box(i * 7 % 2200, i * 3 % 2200, 0, 1000000, score(rng)));
    BoxList withLarge = lattice;
    for (int i = 0; i < 4; ++i) withLarge.push_back(box(-100 - 50 * i, -100, 1000000 + i, 1000000 - i, score(rng)));
    const struct {
        const char* layout;
        const BoxList& boxes;
    } layouts[] = {{"scattered", scattered},
                   {"lattice", lattice},
                   {"lattice among flat boxes", withFlat},
                   {"lattice among very large boxes", withLarge}};
    for (const auto& l : layouts) {
        BoxList candidates = l.boxes, kept;
        CullCounts counts;
        cullBoxes(candidates, 0.5f, kept, &counts);
        std::uint64_t keptWithArea = 0;
        for (const ScoredBox& b : kept) keptWithArea += b.w > 0 && b.h > 0;
        EXPECT_GT(counts.cells, 0u) << l.layout;
        EXPECT_LE(counts.cells, 2 * l.boxes.size()) << l.layout;
        EXPECT_GE(counts.examined, keptWithArea) << l.layout;
        EXPECT_LE(counts.examined, 20 * keptWithArea) << l.layout << ", " << keptWithArea << " kept";
    }
}

TEST(CullBoxes, GroupsKeepWhatSeparateCallsKeep) {
    // Each group's kept rows are the plain walk's on that group alone; all of
    // them come in the order of one stable sort by score (the plain walk at a
    // NaN threshold keeps everything in that order). Groups of up to 64 boxes
    // take the plain walk, larger ones the grid.
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> centre(0, 200), jitter(-6, 6), size(1, 60), coarse(0, 5);
    const std::int64_t labels[] = {-7, 0, 3, std::numeric_limits<std::int64_t>::max(), 42};
    const float thresholds[] = {-0.2f, 0.3f, 0.5f, 0.95f, 0.99f};
    for (int round = 0; round < 10; ++round) {
        BoxList boxes;
        GroupList groups;
        for (int i = 0; i < 240; ++i) {
            const int cx = centre(rng) / 20 * 20, cy = centre(rng) / 20 * 20;
            boxes.push_back(box(cx + jitter(rng), cy + jitter(rng), size(rng), size(rng),
                                coarse(rng) == 0 ? std::nanf("") : static_cast<float>(coarse(rng))));
            // Most boxes in one large group, the rest spread over small ones.
            groups.push_back(i % 3 ? labels[0] : labels[1 + coarse(rng) % 4]);
        }
        const float t = thresholds[round % 5];
        std::vector<bool> expectedKept(boxes.size(), false);
        for (std::int64_t label : labels) {
            BoxList members;
            RowList at;
            for (std::size_t i = 0; i < boxes.size(); ++i)
                if (groups[i] == label) {
                    members.push_back(boxes[i]);
                    at.push_back(static_cast<std::uint32_t>(i));
                }
            for (std::uint32_t r : referenceRows(members, t)) expectedKept[at[r]] = true;
        }
        RowList expected;
        for (std::uint32_t r : referenceRows(boxes, std::nanf("")))
            if (expectedKept[r]) expected.push_back(r);

        // The work of a grouped call is the sum of the work of its groups.
        CullCounts separate;
        for (std::int64_t label : labels) {
            BoxList members, memberKept;
            for (std::size_t i = 0; i < boxes.size(); ++i)
                if (groups[i] == label) members.push_back(boxes[i]);
            CullCounts c;
            cullBoxes(members, t, memberKept, &c);
            separate.cells += c.cells;
            separate.examined += c.examined;
        }

        BoxList candidates = boxes, kept;
        RowList rows;
        CullCounts grouped;
        cullBoxes(candidates, t, kept, &grouped, &rows, &groups);
        EXPECT_EQ(grouped.cells, separate.cells) << "round " << round;
        EXPECT_EQ(grouped.examined, separate.examined) << "round " << round;
        ASSERT_EQ(rows, expected) << "round " << round;
        ASSERT_EQ(kept.size(), rows.size());
        for (std::size_t k = 0; k < kept.size(); ++k) EXPECT_TRUE(same(kept[k], boxes[rows[k]])) << round << ":" << k;
    }
    // Twins in two groups both stay, best first; in one group only the better.
    BoxList twins = {box(0, 0, 100, 100, 1), box(0, 0, 100, 100, 2)}, kept;
    RowList rows;
    GroupList apart = {5, 6}, together = {5, 5};
    cullBoxes(twins, 0.5f, kept, nullptr, &rows, &apart);
    EXPECT_EQ(rows, (RowList{1, 0}));
    twins = {box(0, 0, 100, 100, 1), box(0, 0, 100, 100, 2)};
    kept.clear();
    rows.clear();
    cullBoxes(twins, 0.5f, kept, nullptr, &rows, &together);
    EXPECT_EQ(rows, (RowList{1}));
}

TEST(ToSingle, RoundsLikeIeeeConversion) {
    EXPECT_EQ(toSingle(0.99), 0.99f);
    EXPECT_EQ(toSingle(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(toSingle(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(toSingle(0x1.fffffefp127), std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isnan(toSingle(std::nan(""))));
}

}  // namespace
