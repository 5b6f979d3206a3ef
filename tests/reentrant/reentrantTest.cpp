// The kernels called from many threads at once, as MATLAB's worker threads
// and users' own programs call them: every result must be the one a single
// thread gets, to the bit. Built with ThreadSanitizer, which reports any data
// the calls share without order (a cache, a lazily chosen path, a static
// scratch buffer).
#include "bits.h"
#include "coverFlags.h"
#include "cullBoxes.h"
#include "distanceTable.h"
#include "isa.h"
#include "refitBoxes.h"
#include "rowTable.h"
#include "slideDot.h"
#include "tallyWords.h"
#include "tiledFill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int threadCount = 8;

using Values = std::vector<double>;
using Rows = std::vector<Values>;

// One call of one kernel on inputs every thread shares read-only; it returns
// what the call wrote.
struct Job {
    std::string name;
    std::function<Values()> run;
};

std::vector<isa::Isa> levels() {
    isa::Isa found[isa::levelCount];
    const int count = isa::available(found);
    return std::vector<isa::Isa>(found, found + count);
}

// Starts `threadCount` threads together and runs body(t) on each.
void together(const std::function<void(int)>& body) {
    std::mutex m;
    std::condition_variable go;
    int waiting = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            {
                std::unique_lock<std::mutex> lock(m);
                if (++waiting == threadCount) go.notify_all();
                go.wait(lock, [&] { return waiting == threadCount; });
            }
            body(t);
        });
    for (std::thread& th : threads) th.join();
}

Values randomValues(std::mt19937& rng, std::size_t count, double lo, double hi) {
    std::uniform_real_distribution<double> v(lo, hi);
    Values out(count);
    for (double& x : out) x = v(rng);
    return out;
}

Rows randomRows(std::mt19937& rng, std::size_t count, std::size_t length, double lo, double hi) {
    Rows rows;
    for (std::size_t i = 0; i < count; ++i) rows.push_back(randomValues(rng, length, lo, hi));
    return rows;
}

// Box rows x, y, w, h in a small scene, so that many pairs overlap.
Rows randomBoxRows(std::mt19937& rng, std::size_t count) {
    std::uniform_int_distribution<int> at(-5, 60), size(-3, 30), half(0, 9);
    Rows rows;
    for (std::size_t i = 0; i < count; ++i) {
        Values r{double(at(rng)), double(at(rng)), double(size(rng)), double(size(rng))};
        if (half(rng) == 0) r[2] += 0.5;
        rows.push_back(r);
    }
    return rows;
}

// Shared inputs live as long as the jobs that read them.
template <class T>
std::shared_ptr<const T> share(T value) {
    return std::make_shared<const T>(std::move(value));
}

void addCullJobs(std::vector<Job>& jobs, std::mt19937& rng) {
    std::uniform_int_distribution<int> at(0, 400), size(-20, 90), score(0, 50);
    // Up to 64 boxes, or a threshold at or below 0, take the plain walk; more
    // boxes at a positive threshold take the grid.
    for (std::size_t count : {10u, 64u, 65u, 400u}) {
        BoxList boxes;
        for (std::size_t i = 0; i < count; ++i)
            boxes.push_back({at(rng), at(rng), size(rng), size(rng), static_cast<float>(score(rng))});
        auto input = share(boxes);
        for (float threshold : {-0.2f, 0.0f, 0.3f, 0.7f, 0.95f}) {
            jobs.push_back({"cullBoxes " + std::to_string(count) + " at " + std::to_string(threshold), [=] {
                                BoxList candidates = *input, kept;
                                cullBoxes(candidates, threshold, kept);
                                Values out;
                                for (const ScoredBox& b : kept) out.insert(out.end(), {double(b.x), double(b.y),
                                                                                       double(b.w), double(b.h),
                                                                                       double(b.score)});
                                return out;
                            }});
        }
    }
}

void addDistanceJobs(std::vector<Job>& jobs, std::mt19937& rng) {
    const std::int32_t shapes[][3] = {{1, 1, 3}, {3, 5, 8}, {7, 17, 33}, {9, 33, 64}, {70, 19, 300}};
    for (const auto& s : shapes) {
        const std::int32_t m = s[0], r = s[1], n = s[2];
        auto a = share(randomRows(rng, static_cast<std::size_t>(m), static_cast<std::size_t>(n), 0.0, 0.1));
        auto b = share(randomRows(rng, static_cast<std::size_t>(r), static_cast<std::size_t>(n) + 1, 0.0, 0.1));
        for (isa::Isa level : levels())
            for (double code : {1.0, 2.0})
                jobs.push_back({std::string("fillDistanceTableOn ") + isa::name(level) + " " + std::to_string(m) +
                                    "x" + std::to_string(r) + "x" + std::to_string(n),
                                [=] {
                                    const auto pa = testhost::rowsOf(*a), pb = testhost::rowsOf(*b);
                                    Values out(static_cast<std::size_t>(m) * static_cast<std::size_t>(r));
                                    fillDistanceTableOn(level, pa.data(), m, n, pb.data(), r, code, out.data());
                                    return out;
                                }});
    }
}

void addRefitJobs(std::vector<Job>& jobs, std::mt19937& rng) {
    std::bernoulli_distribution member(0.3);
    for (std::size_t count : {1u, 12u, 80u}) {
        auto boxes = share(randomBoxRows(rng, count));
        auto regions = share(randomBoxRows(rng, 37));
        Rows marks(count, Values(37));
        for (Values& row : marks)
            for (double& v : row) v = member(rng) ? 1.0 : 0.0;
        auto members = share(marks);
        jobs.push_back({"refitBoxes " + std::to_string(count), [=] {
                            const auto pb = testhost::rowsOf(*boxes), pr = testhost::rowsOf(*regions),
                                       pm = testhost::rowsOf(*members);
                            Values out(count * 4);
                            refitBoxes(pb.data(), static_cast<std::int32_t>(count), pr.data(), 37, pm.data(), 50, 60,
                                       out.data());
                            return out;
                        }});
    }
    // The tiled copy into a row table, around its block and tile edges; the
    // source holds more rows than are copied.
    const std::int32_t sizes[][2] = {{1, 9}, {9, 1}, {17, 33}, {70, 258}, {130, 70}};
    for (const auto& s : sizes) {
        const std::int32_t rows = s[0], cols = s[1];
        const std::size_t stride = static_cast<std::size_t>(rows) + 3;
        auto data = share(randomValues(rng, stride * static_cast<std::size_t>(cols), -1.0, 1.0));
        for (isa::Isa level : levels())
            jobs.push_back({std::string("fillRowTableTiledOn ") + isa::name(level) + " " + std::to_string(rows) +
                                "x" + std::to_string(cols),
                            [=] {
                                gateway::RowTable table = gateway::allocRowTable(rows, cols);
                                Values out;
                                if (table == nullptr) return out;
                                fillRowTableTiledOn(level, table, rows, cols, data->data(), stride);
                                for (std::int32_t i = 0; i < rows; ++i) out.insert(out.end(), table[i], table[i] + cols);
                                gateway::freeRowTable(table, rows);
                                return out;
                            }});
    }
}

void addSlideJobs(std::vector<Job>& jobs, std::mt19937& rng) {
    // Map widths around the vector and block widths, kernels of several shapes.
    const std::uint32_t shapes[][4] = {{1, 1, 1, 1}, {12, 1, 3, 1}, {9, 40, 5, 4}, {7, 33, 3, 3},
                                       {16, 97, 2, 7}, {40, 61, 5, 8}, {3, 3, 0, 0}};
    for (const auto& s : shapes) {
        const std::uint32_t M = s[0], N = s[1], m = s[2], n = s[3];
        auto a = share(randomValues(rng, std::size_t{M} * N, -4.0, 4.0));
        auto k = share(randomValues(rng, std::size_t{m} * n, -4.0, 4.0));
        for (isa::Isa level : levels())
            jobs.push_back({std::string("slideDotOn ") + isa::name(level) + " " + std::to_string(M) + "x" +
                                std::to_string(N) + " by " + std::to_string(m) + "x" + std::to_string(n),
                            [=] {
                                Values out(std::size_t{M - m + 1} * (N - n + 1));
                                slideDotOn(level, a->data(), M, N, k->data(), m, n, out.data());
                                return out;
                            }});
    }
}

void addCoverJobs(std::vector<Job>& jobs, std::mt19937& rng) {
    auto regions = share(randomBoxRows(rng, 37));
    for (std::size_t count : {1u, 3u, 255u, 256u, 257u, 600u}) {
        auto boxes = share(randomBoxRows(rng, count));
        for (isa::Isa level : levels())
            jobs.push_back({std::string("coverFlagsOn ") + isa::name(level) + " " + std::to_string(count), [=] {
                                const auto pr = testhost::rowsOf(*regions), pb = testhost::rowsOf(*boxes);
                                Values out(count * 37);
                                coverFlagsOn(level, pr.data(), 37, pb.data(), static_cast<std::int32_t>(count),
                                             out.data());
                                return out;
                            }});
    }
}

void addTallyJobs(std::vector<Job>& jobs, std::mt19937& rng) {
    // Small tables, and one too large to stay in cache, which a working table may count into.
    const std::int32_t shapes[][4] = {{50, 3, 4, 5}, {1000, 2, 30, 20}, {4000, 3, 600, 700}};
    for (const auto& s : shapes) {
        const std::int32_t n = s[0], k = s[1], words = s[2], regions = s[3];
        std::uniform_int_distribution<int> word(1, words), region(0, regions);
        Values w(static_cast<std::size_t>(n)), r(static_cast<std::size_t>(n) * static_cast<std::size_t>(k));
        for (double& v : w) v = word(rng);
        for (double& v : r) v = region(rng);
        auto wordMap = share(w);
        auto index = share(r);
        const std::size_t cells = static_cast<std::size_t>(words) * static_cast<std::size_t>(regions);
        for (bool withWork : {false, true})
            jobs.push_back({"tallyWords " + std::to_string(words) + "x" + std::to_string(regions) +
                                (withWork ? " with work" : ""),
                            [=] {
                                Values out(cells + static_cast<std::size_t>(words));
                                std::vector<unsigned char> work(withWork ? tallyWorkBytes(n, k, words, regions) : 0);
                                const TallyFault fault =
                                    tallyWords(wordMap->data(), n, index->data(), k, words, regions, out.data(),
                                               out.data() + cells, work.empty() ? nullptr : work.data());
                                out.push_back(fault.kind);
                                return out;
                            }});
    }
}

std::vector<Job> everyKernel() {
    std::mt19937 rng(20240611);
    std::vector<Job> jobs;
    addCullJobs(jobs, rng);
    addDistanceJobs(jobs, rng);
    addRefitJobs(jobs, rng);
    addSlideJobs(jobs, rng);
    addCoverJobs(jobs, rng);
    addTallyJobs(jobs, rng);
    return jobs;
}

// The first calls of a process find out which level the machine runs; eight
// threads make theirs at the same moment, through the entry points that
// choose the level themselves.
TEST(Reentrant, FirstCallsChooseTheLevelTogether) {
    const std::uint32_t M = 9, N = 40, m = 3, n = 4;
    std::mt19937 rng(5);
    const Values a = randomValues(rng, std::size_t{M} * N, -1.0, 1.0), k = randomValues(rng, std::size_t{m} * n, -1.0, 1.0);
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
        EXPECT_TRUE(testhost::sameBits(got[static_cast<std::size_t>(t)], want)) << "thread " << t;
    }
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
                if (!testhost::sameBits(jobs[i].run(), want[i])) wrong[static_cast<std::size_t>(t)].push_back(i);
        }
    });
    for (int t = 0; t < threadCount; ++t)
        for (std::size_t i : wrong[static_cast<std::size_t>(t)]) ADD_FAILURE() << "thread " << t << ": " << jobs[i].name;
    EXPECT_GT(levels().size(), 1u);
}

}  // namespace
