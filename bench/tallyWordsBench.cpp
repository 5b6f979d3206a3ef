// tallyWords on an image-sized word map: 480 x 640 locations, 4 memberships
// each (a quarter of them none), 1000 words, 200 regions.
#include "tallyWords.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

void BM_tallyWords(benchmark::State& state) {
    const std::int32_t n = 480 * 640, k = static_cast<std::int32_t>(state.range(0));
    const std::int32_t words = 1000, regions = 200;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> word(1, words), region(1, regions);
    std::uniform_real_distribution<double> none(0.0, 1.0);
    std::vector<double> wordMap(static_cast<std::size_t>(n)), regionIndex(static_cast<std::size_t>(n) * k);
    for (double& v : wordMap) v = word(rng);
    for (double& v : regionIndex) v = none(rng) < 0.25 ? 0 : region(rng);
    std::vector<double> counts(static_cast<std::size_t>(words) * regions), totals(words);
    if (tallyWords(wordMap.data(), n, regionIndex.data(), k, words, regions, counts.data(), totals.data()).kind !=
        TallyFault::none)
        state.SkipWithError("the data has a membership that cannot be counted");
    for (auto _ : state) {
        const TallyFault fault = tallyWords(wordMap.data(), n, regionIndex.data(), k, words, regions,
                                            counts.data(), totals.data());
        benchmark::DoNotOptimize(fault);
        benchmark::DoNotOptimize(counts.data());
    }
    state.SetItemsProcessed(state.iterations() * n * k);
}
BENCHMARK(BM_tallyWords)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
