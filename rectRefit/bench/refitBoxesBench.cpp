// refitBoxes over a sparse membership matrix, read where it lies (column-major).
#include "refitBoxes.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

using namespace regionkit;

namespace {

// count boxes x, y, w, h, column-major.
std::vector<double> randomBoxes(int count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> corner(1, 600), size(1, 100);
    const auto n = static_cast<std::size_t>(count);
    std::vector<double> b(n * 4);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = corner(rng), b[i + n] = corner(rng), b[i + 2 * n] = size(rng), b[i + 3 * n] = size(rng);
    return b;
}

// About one region in fifty belongs to a box.
std::vector<double> randomMembership(int boxes, int regions, unsigned seed) {
    std::mt19937 rng(seed);
    std::bernoulli_distribution member(0.02);
    std::vector<double> m(static_cast<std::size_t>(boxes) * static_cast<std::size_t>(regions));
    for (double& v : m) v = member(rng) ? 1.0 : 0.0;
    return m;
}

void BM_refitBoxes(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<double> boxes = randomBoxes(n, 1), regions = randomBoxes(n, 2);
    const std::vector<double> membership = randomMembership(n, n, 3);
    std::vector<double> out(static_cast<std::size_t>(n) * 4);
    for (auto _ : state) {
        refitBoxes(boxes.data(), n, regions.data(), n, membership.data(), static_cast<std::size_t>(n), 480, 640,
                   out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n * n);
    state.SetBytesProcessed(state.iterations() * n * n * static_cast<std::int64_t>(sizeof(double)));
}
BENCHMARK(BM_refitBoxes)->Arg(500)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
