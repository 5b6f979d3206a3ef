// The cull's options against one reference loop written from their
// definitions: a single walk over all boxes that keeps the best remaining box
// (highest score, the earlier position among equals, NaN after every number),
// then removes or lowers the boxes of its group whose overlap counts, drops
// what falls below the floor, and stops at the cap.
#include "exactArithmetic.h"

#include "cullBoxes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

using namespace regionkit;

namespace {

struct Outcome {
    std::vector<std::uint32_t> rows;
    std::vector<double> scores;
};

bool sameBits(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool better(double a, double b) { return a > b || (std::isnan(b) && !std::isnan(a)); }

// overlap(k, j) of kept box k and box j; counts(o, k) whether o counts against
// the kept box k; round(s) the precision of a lowered score.
Outcome reference(const std::vector<double>& scores, const std::vector<std::int64_t>& groups, const CullOptions& o,
                  double floor, const std::function<double(std::size_t, std::size_t)>& overlap,
                  const std::function<bool(double, std::size_t)>& counts, double (*round)(double)) {
    std::vector<std::size_t> live;
    std::vector<double> s;
    for (std::size_t i = 0; i < scores.size(); ++i)
        if (!o.hasScoreFloor || scores[i] >= floor) {
            live.push_back(i);
            s.push_back(scores[i]);
        }
    Outcome out;
    while (!live.empty() && out.rows.size() < o.maxKept) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < live.size(); ++i)
            if (better(s[i], s[best])) best = i;
        const std::size_t k = live[best];
        out.rows.push_back(static_cast<std::uint32_t>(k));
        out.scores.push_back(s[best]);
        live.erase(live.begin() + static_cast<long>(best));
        s.erase(s.begin() + static_cast<long>(best));
        for (std::size_t i = 0; i < live.size();) {
            bool leaves = false;
            if (groups.empty() || groups[live[i]] == groups[k]) {
                const double v = overlap(k, live[i]);
                if (o.decay == ScoreDecay::none) {
                    leaves = counts(v, k);
                } else {
                    if (o.decay == ScoreDecay::linear && counts(v, k)) s[i] = round(s[i] * (1 - v));
                    if (o.decay == ScoreDecay::gaussian && !std::isnan(v))
                        s[i] = round(s[i] * decayExp(-v * v / o.sigma));
                    leaves = o.hasScoreFloor && !(s[i] >= floor);
                }
            }
            if (leaves) {
                live.erase(live.begin() + static_cast<long>(i));
                s.erase(s.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
    }
    return out;
}

double single(double v) { return toSingle(v); }
double asIs(double v) { return v; }

void expectSame(const Outcome& expected, const RowList& rows, const ScoreList& scores, const std::string& what) {
    ASSERT_EQ(std::vector<std::uint32_t>(rows.begin(), rows.end()), expected.rows) << what;
    ASSERT_EQ(scores.size(), expected.scores.size()) << what;
    for (std::size_t k = 0; k < scores.size(); ++k)
        ASSERT_TRUE(sameBits(scores[k], expected.scores[k])) << what << ", kept " << k << ": " << scores[k]
                                                              << " vs " << expected.scores[k];
}

// Clustered boxes with ties, NaN scores, twins and boxes without area; more
// than 64 take the grid walk when removing at a positive threshold.
struct Scene {
    BoxList boxes;
    PlainBoxList plain;
    std::vector<std::int64_t> groups;
};

Scene scene(std::mt19937& rng, std::size_t n) {
    std::uniform_int_distribution<int> centre(0, 250), jitter(-6, 6), size(-3, 70), pick(0, 9);
    std::uniform_real_distribution<double> fraction(0.0, 1.0);
    Scene s;
    for (std::size_t i = 0; i < n; ++i) {
        if (i % 9 == 8) {  // a twin of the box before
            s.boxes.push_back(s.boxes.back());
            s.plain.push_back(s.plain.back());
        } else {
            const int c = pick(rng);
            const float score = c == 0 ? std::nanf("") : c < 4 ? static_cast<float>(c) / 4 : static_cast<float>(fraction(rng));
            const ScoredBox b{centre(rng) / 25 * 25 + jitter(rng), centre(rng) / 25 * 25 + jitter(rng), size(rng),
                              size(rng), score};
            s.boxes.push_back(b);
            const double x = b.x + fraction(rng), y = b.y + fraction(rng);
            s.plain.push_back({x, y, x + b.w + fraction(rng), y + b.h + fraction(rng), score});
        }
        s.groups.push_back(pick(rng) % 3);
    }
    return s;
}

TEST(CullOptions, EveryCombinationMatchesTheReferenceWalk) {
    std::mt19937 rng(5);
    const std::size_t caps[] = {noCap, 0, 1, 7, 1000};
    const float thresholds[] = {0.5f, 0.3f, 0.0f, -0.2f, 0.95f, 0.995f};
    int round = 0;
    for (std::size_t n : {0u, 1u, 12u, 64u, 65u, 300u}) {
        const Scene sc = scene(rng, n);
        std::vector<double> scores;
        for (const ScoredBox& b : sc.boxes) scores.push_back(b.score);
        for (ScoreDecay decay : {ScoreDecay::none, ScoreDecay::linear, ScoreDecay::gaussian})
            for (OverlapMeasure measure : {OverlapMeasure::overUnion, OverlapMeasure::overSmaller})
                for (bool grouped : {false, true})
                    for (int floorCase = 0; floorCase < 3; ++floorCase) {
                        ++round;
                        CullOptions o;
                        o.decay = decay;
                        o.measure = measure;
                        o.maxKept = caps[round % 5];
                        o.hasScoreFloor = floorCase > 0;
                        o.scoreFloor = floorCase == 1 ? 0.3 : -1.0;
                        o.sigma = round % 2 ? 0.5 : 0.03;
                        const float t = thresholds[round % 6];
                        const GroupList groups(sc.groups.begin(), sc.groups.end());
                        const GroupList* g = grouped ? &groups : nullptr;
                        const std::vector<std::int64_t> refGroups = grouped ? sc.groups : std::vector<std::int64_t>{};
                        const std::string what = "n " + std::to_string(n) + ", round " + std::to_string(round);

                        // The pipeline rule.
                        BoxList candidates = sc.boxes;
                        RowList rows;
                        ScoreList kept;
                        cullBoxes(candidates, t, o, rows, &kept, g);
                        Outcome expected;
                        if (!(decay != ScoreDecay::gaussian && static_cast<double>(t) > 0.99)) {
                            const auto overlap = [&](std::size_t k, std::size_t j) -> double {
                                return measure == OverlapMeasure::overUnion ? boxOverlap(sc.boxes[k], sc.boxes[j])
                                                                            : boxOverlapSmaller(sc.boxes[k], sc.boxes[j]);
                            };
                            const auto counts = [&](double v, std::size_t k) {
                                const ScoredBox& b = sc.boxes[k];
                                const float limit = std::int64_t{b.w} * b.h <= 4096
                                                        ? static_cast<float>(static_cast<double>(t) + 0.1)
                                                        : t;
                                return static_cast<float>(v) >= limit;
                            };
                            expected = reference(scores, refGroups, o, toSingle(o.scoreFloor), overlap, counts, single);
                        }
                        expectSame(expected, rows, kept, "pipeline, " + what);

                        // The plain rule.
                        rows.clear();
                        kept.clear();
                        cullPlainBoxes(sc.plain, t, o, rows, &kept, g);
                        expected = reference(
                            scores, refGroups, o, o.scoreFloor,
                            [&](std::size_t k, std::size_t j) { return plainOverlap(sc.plain[k], sc.plain[j], measure); },
                            [&](double v, std::size_t) { return v > static_cast<double>(t); }, asIs);
                        expectSame(expected, rows, kept, "plain, " + what);
                    }
    }
}

TEST(CullOptions, CapStopsTheGridWalkAtTheFirstKeptBoxes) {
    // Without options the grid walk keeps these rows; capped, the first K of them.
    std::mt19937 rng(9);
    const Scene sc = scene(rng, 2000);
    BoxList all = sc.boxes, keptBoxes;
    RowList full;
    cullBoxes(all, 0.5f, keptBoxes, nullptr, &full);
    for (std::size_t cap : {1u, 100u, 5000u}) {
        BoxList candidates = sc.boxes;
        CullOptions o;
        o.maxKept = cap;
        RowList rows;
        cullBoxes(candidates, 0.5f, o, rows, nullptr);
        EXPECT_EQ(rows, RowList(full.begin(), full.begin() + static_cast<long>(std::min(cap, full.size()))));
    }
}

TEST(CullOptions, OverlapsAndDecayByHand) {
    const ScoredBox big{0, 0, 100, 100, 0.9f}, inside{10, 10, 20, 20, 0.8f};
    EXPECT_EQ(boxOverlap(big, inside), 400.0f / 10000.0f);
    EXPECT_EQ(boxOverlapSmaller(big, inside), 1.0f);
    EXPECT_EQ(boxOverlapSmaller(inside, big), 1.0f);
    EXPECT_EQ(boxOverlapSmaller(big, ScoredBox{100, 0, 10, 10, 0}), 0.0f);  // touching
    EXPECT_EQ(boxOverlapSmaller(ScoredBox{0, 0, 0, 10, 0}, big), 0.0f);   // no area

    // Plain rule: exact edges, strictly greater. IoU of these two is exactly 0.5.
    const PlainBox a{0.5, 0, 2.5, 1, 0.9}, b{0.5, 0, 1.5, 1, 0.8};
    EXPECT_EQ(plainOverlap(a, b, OverlapMeasure::overUnion), 0.5);
    EXPECT_EQ(plainOverlap(a, b, OverlapMeasure::overSmaller), 1.0);
    EXPECT_TRUE(std::isnan(plainOverlap({1, 1, 1, 1, 0}, {1, 1, 1, 1, 0}, OverlapMeasure::overUnion)));
    RowList rows;
    ScoreList scores;
    cullPlainBoxes({a, b}, 0.5, CullOptions(), rows, &scores);
    EXPECT_EQ(rows, (RowList{0, 1}));
    rows.clear();
    cullPlainBoxes({a, b}, std::nextafter(0.5, 0.0), CullOptions(), rows, nullptr);
    EXPECT_EQ(rows, (RowList{0}));

    // Linear decay lowers the overlapping box to 0.8 * (1 - 0.5); Gaussian to
    // 0.8 * exp(-0.25 / sigma), a box it does not meet keeps its score.
    const PlainBox far{10, 10, 11, 11, 0.5};
    CullOptions o;
    o.decay = ScoreDecay::linear;
    rows.clear();
    scores.clear();
    cullPlainBoxes({a, b, far}, 0.3, o, rows, &scores);
    EXPECT_EQ(rows, (RowList{0, 2, 1}));
    EXPECT_EQ(scores, (ScoreList{0.9, 0.5, 0.8 * 0.5}));
    o.decay = ScoreDecay::gaussian;
    o.sigma = 0.5;
    o.hasScoreFloor = true;
    o.scoreFloor = 0.4;  // 0.8 * exp(-0.5) = 0.485 stays
    rows.clear();
    scores.clear();
    cullPlainBoxes({a, b, far}, 0.3, o, rows, &scores);
    EXPECT_EQ(rows, (RowList{0, 2, 1}));
    EXPECT_NEAR(scores[2], 0.8 * std::exp(-0.5), 1e-16);
    o.scoreFloor = 0.49;  // now it falls below the floor and leaves
    rows.clear();
    cullPlainBoxes({a, b, far}, 0.3, o, rows, nullptr);
    EXPECT_EQ(rows, (RowList{0, 2}));
}

// Distance in units in the last place between two positive doubles.
std::uint64_t ulps(double a, double b) {
    std::int64_t ia, ib;
    std::memcpy(&ia, &a, sizeof a);
    std::memcpy(&ib, &b, sizeof b);
    return static_cast<std::uint64_t>(ia > ib ? ia - ib : ib - ia);
}

TEST(DecayExp, WithinOneUlpOfTheLibraryExpOverTheRangeUsed) {
    // The decay takes exp of -overlap^2 / sigma: [-1/sigma, 0].
    std::mt19937_64 rng(1);
    std::uniform_real_distribution<double> anywhere(-708.0, 0.0), near(-1.0, 0.0);
    std::uint64_t worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const double x = i % 2 ? anywhere(rng) : near(rng);
        worst = std::max(worst, ulps(decayExp(x), std::exp(x)));
    }
    EXPECT_LE(worst, 1u);
    RecordProperty("worstUlps", static_cast<int>(worst));
    EXPECT_EQ(decayExp(0.0), 1.0);
    EXPECT_EQ(decayExp(-0.0), 1.0);
    EXPECT_EQ(decayExp(-INFINITY), 0.0);
    EXPECT_EQ(decayExp(-800.0), 0.0);
    EXPECT_TRUE(std::isnan(decayExp(NAN)));
    // Subnormal results: one rounding, close to the library's.
    for (double x : {-710.0, -720.5, -740.0, -745.0}) EXPECT_LE(ulps(decayExp(x), std::exp(x)), 1u) << x;
}

}  // namespace
