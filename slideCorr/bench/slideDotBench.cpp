// slideDot on square images and kernels, on every level of the table the
// processor runs. "GFLOPs" counts one multiply and one add per product.
// BM_peak measures, in the same run, the most multiplies and adds (separate
// instructions, as slideDot's) one core retires at the widest level:
// independent chains, enough of them to hide every latency (24 registers, so
// only a level with more than that, AVX-512's 32, is measured). A 1000 x 1000 A
// sits beside the 1024 x 1024 one to show what a power-of-two column stride
// costs.
#include "slideDot.h"

#include "lanes.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

using namespace regionkit;

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

// Twelve multiplies and twelve adds per round, none waiting on another of the
// same round; the values stay finite and normal for any number of rounds.
#define REGIONKIT_PEAK_STEP(c) m##c = L::mul(m##c, x), a##c = L::add(a##c, y)
#define REGIONKIT_BODY_TEXT                                                                         \
    inline double peakRounds(long rounds) {                                                         \
        const double up = 1.0000001, tiny = 1e-9;                                                   \
        const double v[24] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,                                \
                              13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};                      \
        const L::V x = L::broadcast(&up), y = L::broadcast(&tiny);                                  \
        L::V m0 = L::broadcast(v), m1 = L::broadcast(v + 1), m2 = L::broadcast(v + 2),              \
             m3 = L::broadcast(v + 3), m4 = L::broadcast(v + 4), m5 = L::broadcast(v + 5),          \
             m6 = L::broadcast(v + 6), m7 = L::broadcast(v + 7), m8 = L::broadcast(v + 8),          \
             m9 = L::broadcast(v + 9), m10 = L::broadcast(v + 10), m11 = L::broadcast(v + 11);      \
        L::V a0 = L::broadcast(v + 12), a1 = L::broadcast(v + 13), a2 = L::broadcast(v + 14),       \
             a3 = L::broadcast(v + 15), a4 = L::broadcast(v + 16), a5 = L::broadcast(v + 17),       \
             a6 = L::broadcast(v + 18), a7 = L::broadcast(v + 19), a8 = L::broadcast(v + 20),       \
             a9 = L::broadcast(v + 21), a10 = L::broadcast(v + 22), a11 = L::broadcast(v + 23);     \
        for (long r = 0; r < rounds; ++r) {                                                         \
            REGIONKIT_PEAK_STEP(0); REGIONKIT_PEAK_STEP(1); REGIONKIT_PEAK_STEP(2);                 \
            REGIONKIT_PEAK_STEP(3); REGIONKIT_PEAK_STEP(4); REGIONKIT_PEAK_STEP(5);                 \
            REGIONKIT_PEAK_STEP(6); REGIONKIT_PEAK_STEP(7); REGIONKIT_PEAK_STEP(8);                 \
            REGIONKIT_PEAK_STEP(9); REGIONKIT_PEAK_STEP(10); REGIONKIT_PEAK_STEP(11);               \
        }                                                                                           \
        L::V s = L::add(L::add(L::add(m0, m1), L::add(m2, m3)), L::add(m4, m5));                    \
        s = L::add(s, L::add(L::add(m6, m7), L::add(L::add(m8, m9), L::add(m10, m11))));            \
        s = L::add(s, L::add(L::add(L::add(a0, a1), L::add(a2, a3)), L::add(a4, a5)));              \
        s = L::add(s, L::add(L::add(a6, a7), L::add(L::add(a8, a9), L::add(a10, a11))));            \
        double lanes[L::W];                                                                         \
        L::store(lanes, s);                                                                         \
        return lanes[0];                                                                            \
    }

#include "eachIsa.inc"

#undef REGIONKIT_BODY_TEXT

void BM_peak(benchmark::State& state) {
    const isa::Isa run = isa::widest();
    if (isa::registersOf(run) <= 24) {
        state.SkipWithError("the widest level has too few registers for 24 chains");
        return;
    }
    long rounds = 1000000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(rounds);  // so that no round of the benchmark is skipped as a repeat
        benchmark::DoNotOptimize(REGIONKIT_RUN(run, peakRounds(rounds)));
    }
    const double flops = 2.0 * 12 * static_cast<double>(rounds) * isa::widthOf(run);
    state.SetLabel(isa::name(run));
    state.counters["GFLOPs"] =
        benchmark::Counter(flops * static_cast<double>(state.iterations()) * 1e-9, benchmark::Counter::kIsRate);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({512, 11})->Args({1024, 16})->Args({1000, 16})->Args({256, 3})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_peak)->Unit(benchmark::kMillisecond);

// One benchmark of slideDot per level of the table, named after it.
const bool registered = [] {
    for (const isa::Level& level : isa::levels)
        benchmark::RegisterBenchmark((std::string("BM_slideDot/") + level.name).c_str(), BM_slideDot, level.isa)
            ->Apply(sizes);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
