// cullBoxes on clustered boxes: many near-duplicates around each of a few
// hundred centres, as a detector's raw output looks.
#include "cullBoxes.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace regionkit;

namespace {

BoxList clusteredBoxes(int count, int clusters, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> centre(0, 2000), jitter(-10, 10), size(40, 120);
    std::uniform_real_distribution<float> score(0.0f, 1.0f);
    std::vector<ScoredBox> centres;
    for (int c = 0; c < clusters; ++c) centres.push_back({centre(rng), centre(rng), size(rng), size(rng), 0});
    BoxList boxes;
    for (int i = 0; i < count; ++i) {
        const ScoredBox& c = centres[static_cast<std::size_t>(i % clusters)];
        boxes.push_back({c.x + jitter(rng), c.y + jitter(rng), c.w + jitter(rng), c.h + jitter(rng), score(rng)});
    }
    return boxes;
}

void BM_cullBoxes(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const BoxList boxes = clusteredBoxes(count, 200, 1);
    std::size_t kept = 0;
    for (auto _ : state) {
        BoxList candidates = boxes;
        BoxList out;
        cullBoxes(candidates, 0.5f, out);
        kept = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["kept"] = static_cast<double>(kept);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_cullBoxes)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A threshold above the limit keeps nothing: what is left is the sort by score.
void BM_sortOnly(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const BoxList boxes = clusteredBoxes(count, 200, 1);
    for (auto _ : state) {
        BoxList candidates = boxes;
        BoxList out;
        cullBoxes(candidates, 0.995f, out);
        benchmark::DoNotOptimize(candidates.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_sortOnly)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
