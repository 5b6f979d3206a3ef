// fillDistanceTable on random histograms, through each kernel the processor
// offers: M rows of A against R rows of B, N bins each.
#include "distanceTable.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace regionkit;

namespace {

struct Rows {
    std::vector<std::vector<double>> data;
    std::vector<const double*> table;
};

Rows randomRows(int count, int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> bin(0.0, 2.0 / n);
    Rows rows;
    rows.data.assign(static_cast<std::size_t>(count), std::vector<double>(static_cast<std::size_t>(n)));
    for (auto& row : rows.data) {
        for (double& v : row) v = bin(rng);
        rows.table.push_back(row.data());
    }
    return rows;
}

// The plain walk over row tables, the entry's way where no vectors run (the
// scalar level). Arguments: level, code, M = R, N.
void BM_fillDistanceTable(benchmark::State& state) {
    const auto level = static_cast<isa::Isa>(state.range(0));
    if (level != isa::Isa::scalar) {
        state.SkipWithError("the vector levels read the columns (fromColumns)");
        return;
    }
    const double code = static_cast<double>(state.range(1));
    const int count = static_cast<int>(state.range(2));
    const int n = static_cast<int>(state.range(3));
    const Rows a = randomRows(count, n, 1), b = randomRows(count, n, 2);
    std::vector<double> out(static_cast<std::size_t>(count) * static_cast<std::size_t>(count));
    for (auto _ : state) {
        fillDistanceTable(a.table.data(), count, n, b.table.data(), count, code, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * count * count);
    state.SetLabel(isa::name(level));
}

// The entry's way: straight from column-major data, packed on every call.
// Arguments as above.
void BM_fromColumns(benchmark::State& state) {
    const auto level = static_cast<isa::Isa>(state.range(0));
    const double code = static_cast<double>(state.range(1));
    const int count = static_cast<int>(state.range(2));
    const int n = static_cast<int>(state.range(3));
    if (isa::choose(level) != level || !fillsFromColumns(level, count, n, count, code)) {
        state.SkipWithError("this processor lacks the level");
        return;
    }
    const Rows a = randomRows(count, n, 1), b = randomRows(count, n, 2);
    std::vector<double> aColumns, bColumns;
    for (int k = 0; k < n; ++k)
        for (int i = 0; i < count; ++i) {
            aColumns.push_back(a.data[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]);
            bColumns.push_back(b.data[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)]);
        }
    std::vector<double> out(static_cast<std::size_t>(count) * static_cast<std::size_t>(count));
    for (auto _ : state) {
        fillDistanceTableFromColumns(level, aColumns.data(), count, n, bColumns.data(), count, code, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * count * count);
    state.SetLabel(isa::name(level));
}

void arguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"level", "code", "rows", "N"});
    for (const isa::Level& entry : isa::levels)
        for (int code = 1; code <= 2; ++code) {
            const int level = static_cast<int>(entry.isa);
            b->Args({level, code, 1000, 128});
            b->Args({level, code, 333, 37});
            b->Args({level, code, 400, 4096});
        }
}
BENCHMARK(BM_fillDistanceTable)->Apply(arguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fromColumns)->Apply(arguments)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
