// coverFlags on detector-like boxes against segment-like region boxes, each
// path the processor offers.
#include "coverFlags.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace regionkit;

namespace {

std::vector<double> randomRows(int count, int maxSize, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> corner(1, 600), size(1, maxSize);
    std::vector<double> rows;
    for (int i = 0; i < count; ++i) rows.insert(rows.end(), {corner(rng), corner(rng), size(rng), size(rng)});
    return rows;
}

// Row-major boxes (4 values each) as the host holds them: column-major.
std::vector<double> columns(const std::vector<double>& rows) {
    const std::size_t count = rows.size() / 4;
    std::vector<double> c(rows.size());
    for (std::size_t i = 0; i < count; ++i)
        for (std::size_t k = 0; k < 4; ++k) c[i + k * count] = rows[4 * i + k];
    return c;
}

void BM_coverFlags(benchmark::State& state) {
    const auto level = static_cast<isa::Isa>(state.range(0));
    const int count = static_cast<int>(state.range(1));
    if (isa::choose(level) != level) {
        state.SkipWithError("this processor lacks the level");
        return;
    }
    state.SetLabel(isa::name(level));
    const std::vector<double> regions = randomRows(count, 60, 1), boxes = randomRows(count, 200, 2);
    const auto regionColumns = columns(regions), boxColumns = columns(boxes);
    std::vector<double> flags(static_cast<std::size_t>(count) * static_cast<std::size_t>(count));
    for (auto _ : state) {
        coverFlagsOn(level, regionColumns.data(), count, boxColumns.data(), count, flags.data());
        benchmark::DoNotOptimize(flags.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * count * count);
}
// Every level of the table, at two sizes.
void arguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"level", "n"});
    for (const isa::Level& level : isa::levels)
        for (int n : {500, 2000}) b->Args({static_cast<int>(level.isa), n});
}
BENCHMARK(BM_coverFlags)->Apply(arguments)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
