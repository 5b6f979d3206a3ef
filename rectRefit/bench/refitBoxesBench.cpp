// refitBoxes over a sparse membership matrix, and the tiled copy of that
// matrix into a row table that comes before it.
#include "refitBoxes.h"
#include "tiledFill.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

struct Rows {
    std::vector<double> values;
    std::vector<const double*> rows;
    Rows(int count, int width) : values(static_cast<std::size_t>(count) * static_cast<std::size_t>(width)) {
        for (int i = 0; i < count; ++i) rows.push_back(&values[static_cast<std::size_t>(i * width)]);
    }
    double* row(int i) { return &values[static_cast<std::size_t>(i) * (values.size() / rows.size())]; }
};

Rows randomBoxes(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> corner(1, 600), size(1, 100);
    Rows r(count, 4);
    for (int i = 0; i < count; ++i) {
        double* b = r.row(i);
        b[0] = corner(rng), b[1] = corner(rng), b[2] = size(rng), b[3] = size(rng);
    }
    return r;
}

// About one region in fifty belongs to a box.
Rows randomMembership(int boxes, int regions, unsigned seed) {
    std::mt19937 rng(seed);
    std::bernoulli_distribution member(0.02);
    Rows r(boxes, regions);
    for (double& v : r.values) v = member(rng) ? 1.0 : 0.0;
    return r;
}

void BM_refitBoxes(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Rows boxes = randomBoxes(n, 1), regions = randomBoxes(n, 2), membership = randomMembership(n, n, 3);
    std::vector<double> out(static_cast<std::size_t>(n) * 4);
    for (auto _ : state) {
        refitBoxes(boxes.rows.data(), n, regions.rows.data(), n, membership.rows.data(), 480, 640, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n * n);
}
BENCHMARK(BM_refitBoxes)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_fillRowTableTiled(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Rows source = randomMembership(n, n, 4);  // read as a column-major n x n matrix
    Rows table(n, n);
    std::vector<double*> rows;
    for (int i = 0; i < n; ++i) rows.push_back(table.row(i));
    for (auto _ : state) {
        fillRowTableTiled(rows.data(), n, n, source.values.data(), static_cast<std::size_t>(n));
        benchmark::DoNotOptimize(table.values.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * n * n * static_cast<std::int64_t>(sizeof(double)));
}
BENCHMARK(BM_fillRowTableTiled)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
