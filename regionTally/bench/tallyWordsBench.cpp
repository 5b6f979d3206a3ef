// tallyWords on an image-sized word map: 480 x 640 locations, k memberships
// each (about a quarter of them none), 1000 words, 200 regions. Memberships
// are drawn at random, or cut the image into blocks of neighbouring pixels as
// a segmenter's do; the tally counts straight into the results, or through
// the working table it asks for.
#include "tallyWords.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace regionkit;

namespace {

const std::int32_t rows = 480, cols = 640, wordCount = 1000, regionCount = 200;

std::vector<double> regionIndex(std::int32_t k, bool segments, std::mt19937& rng) {
    std::uniform_int_distribution<int> region(1, regionCount);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> index(static_cast<std::size_t>(rows) * cols * k);
    for (std::int32_t i = 0; i < k; ++i)
        for (std::int32_t c = 0; c < cols; ++c)
            for (std::int32_t r = 0; r < rows; ++r) {
                double& e = index[static_cast<std::size_t>(i) * rows * cols + static_cast<std::size_t>(c) * rows + r];
                if (!segments) {
                    e = uniform(rng) < 0.25 ? 0 : region(rng);
                    continue;
                }
                // Block i: a 10 x 20 grid shifted by a few pixels per block;
                // half the pixels of the cells on the top and left edges are none.
                const int gy = (r + 7 * i) % rows * 10 / rows, gx = (c + 11 * i) % cols * 20 / cols;
                e = (gy == 0 || gx == 0) && uniform(rng) < 0.5 ? 0 : (gy * 20 + gx) % regionCount + 1;
            }
    return index;
}

void BM_tallyWords(benchmark::State& state) {
    const std::int32_t n = rows * cols, k = static_cast<std::int32_t>(state.range(0));
    const bool segments = state.range(1) != 0, withWork = state.range(2) != 0;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> word(1, wordCount);
    std::vector<double> wordMap(static_cast<std::size_t>(n));
    for (double& v : wordMap) v = word(rng);
    const std::vector<double> index = regionIndex(k, segments, rng);
    std::vector<double> counts(static_cast<std::size_t>(wordCount) * regionCount), totals(wordCount);
    std::vector<char> work(withWork ? tallyWorkBytes(n, k, wordCount, regionCount) : 0);
    if (withWork && work.empty()) state.SkipWithError("no working table at these sizes");
    void* table = withWork ? work.data() : nullptr;
    for (auto _ : state) {
        const TallyFault fault =
            tallyWords(wordMap.data(), n, index.data(), k, wordCount, regionCount, counts.data(), totals.data(), table);
        if (fault.kind != TallyFault::none) state.SkipWithError("the data has a membership that cannot be counted");
        benchmark::DoNotOptimize(counts.data());
    }
    state.SetItemsProcessed(state.iterations() * n * k);
}
// k, segment-like (1) or random (0), through the working table (1) or not (0).
BENCHMARK(BM_tallyWords)
    ->ArgNames({"k", "segments", "table"})
    ->Args({1, 0, 0})
    ->Args({4, 0, 0})
    ->Args({4, 0, 1})
    ->Args({4, 1, 0})
    ->Args({4, 1, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
