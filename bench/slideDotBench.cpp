// slideDot on square images and kernels, on every instruction-set path the
// processor offers. "GFLOPs" counts one multiply and one add per product.
#include "slideDot.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<double> randomBlock(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<double> v(count);
    for (double& x : v) x = value(rng);
    return v;
}

void BM_slideDot(benchmark::State& state, isa::Isa level) {
    if (isa::choose(level) != level) {
        state.SkipWithError("this processor lacks the level");
        return;
    }
    const auto side = static_cast<std::uint32_t>(state.range(0));
    const auto kside = static_cast<std::uint32_t>(state.range(1));
    const std::vector<double> a = randomBlock(std::size_t{side} * side, 1);
    const std::vector<double> k = randomBlock(std::size_t{kside} * kside, 2);
    const std::size_t positions = std::size_t{side - kside + 1} * (side - kside + 1);
    std::vector<double> out(positions);
    for (auto _ : state) {
        slideDotOn(level, a.data(), side, side, k.data(), kside, kside, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    const double flops = 2.0 * static_cast<double>(positions) * kside * kside;
    state.counters["GFLOPs"] =
        benchmark::Counter(flops * static_cast<double>(state.iterations()) * 1e-9, benchmark::Counter::kIsRate);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({512, 11})->Args({1024, 16})->Args({256, 3})->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_slideDot, scalar, isa::Isa::scalar)->Apply(sizes);
BENCHMARK_CAPTURE(BM_slideDot, v128, isa::Isa::v128)->Apply(sizes);
BENCHMARK_CAPTURE(BM_slideDot, v256, isa::Isa::v256)->Apply(sizes);
BENCHMARK_CAPTURE(BM_slideDot, v512, isa::Isa::v512)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
