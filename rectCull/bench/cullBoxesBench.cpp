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

// The cap's gain: a detector keeps at most a few hundred boxes, and the walk
// stops once it has them. 100,000 boxes with at most 100 kept, and without a
// cap (0 here), side by side: the same options walk, five runs each for the
// spread. With decay the walk also lowers scores; its floor ends it early.
void BM_cullCapped(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const BoxList boxes = clusteredBoxes(count, 200, 1);
    CullOptions options;
    if (state.range(1) > 0) options.maxKept = static_cast<std::size_t>(state.range(1));
    options.decay = static_cast<ScoreDecay>(state.range(2));
    if (options.decay != ScoreDecay::none) {
        options.hasScoreFloor = true;
        options.scoreFloor = 0.3;
    }
    std::size_t kept = 0;
    for (auto _ : state) {
        BoxList candidates = boxes;
        RowList rows;
        cullBoxes(candidates, 0.5f, options, rows, nullptr);
        kept = rows.size();
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["kept"] = static_cast<double>(kept);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_cullCapped)
    ->ArgNames({"boxes", "cap", "decay"})
    ->Args({100000, 0, 0})
    ->Args({100000, 100, 0})
    ->Args({10000, 0, 2})
    ->Args({10000, 100, 2})
    ->Repetitions(5)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

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
