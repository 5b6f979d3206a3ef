#include "slideDot.h"

#include "bits.h"
#include "calls.h"
#include "levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using namespace regionkit;

namespace {

// The sums as the definition states them: one running sum per position, A and
// K column-major.
std::vector<double> plainSums(const std::vector<double>& a, std::uint32_t M, std::uint32_t N,
                              const std::vector<double>& k, std::uint32_t m, std::uint32_t n) {
    const std::uint32_t P = M - m + 1, Q = N - n + 1;
    std::vector<double> out(std::size_t{P} * Q);
    for (std::uint32_t i = 0; i < P; ++i)
        for (std::uint32_t j = 0; j < Q; ++j) {
            double sum = 0.0;
            for (std::uint32_t r = 0; r < m; ++r)
                for (std::uint32_t s = 0; s < n; ++s) sum += a[(i + r) + std::size_t{j + s} * M] * k[r + s * m];
            out[i + std::size_t{j} * P] = sum;
        }
    return out;
}

using testsupport::bits;
using testsupport::sameBits;
using testsupport::spreadValues;

std::vector<double> run(isa::Isa level, const std::vector<double>& a, std::uint32_t M, std::uint32_t N,
                        const std::vector<double>& k, std::uint32_t m, std::uint32_t n) {
    std::vector<double> out(std::size_t{M - m + 1} * (N - n + 1), -12345.0);
    slideDotOn(level, a.data(), M, N, k.data(), m, n, out.data());
    return out;
}

REGIONKIT_EVERY_LEVEL(SlideDotLevels);

TEST(SlideDot, EmptyKernelsAndKernelsThatDoNotFit) {
    // No kernel elements: every position sums to 0.0 and A is never read (null here).
    std::vector<double> out(12, 7.0);
    slideDot(nullptr, 2, 3, nullptr, 0, 0, out.data());
    EXPECT_EQ(out, std::vector<double>(12, 0.0));
    std::vector<double> rowsOnly(3 * 2, 7.0);  // K is 0 x 2 on a 2 x 3 A: P = 3, Q = 2
    slideDot(nullptr, 2, 3, nullptr, 0, 2, rowsOnly.data());
    EXPECT_EQ(rowsOnly, std::vector<double>(6, 0.0));

    // No valid position: nothing is read or written (all pointers null).
    slideDot(nullptr, 0, 0, nullptr, 1, 1, nullptr);   // one row too tall
    slideDot(nullptr, 3, 2, nullptr, 2, 3, nullptr);   // one column too wide
    slideDot(nullptr, 2, 2, nullptr, 5, 1, nullptr);   // far too tall
    slideDot(nullptr, 2, 2, nullptr, 1, 9, nullptr);   // far too wide
    slideDot(nullptr, 2, 2, nullptr, 0, 4, nullptr);   // empty, but still too wide
    for (isa::Isa level : testsupport::levels()) slideDotOn(level, nullptr, 4, 4, nullptr, 5, 5, nullptr);
}

TEST_P(SlideDotLevels, SumsStartFromPositiveZero) {
    // Every product is -0.0; 0.0 + -0.0 is +0.0, so a sum seeded with the first
    // product instead of 0.0 would keep the sign.
    const std::vector<double> a(5 * 40, -0.0);
    const std::vector<double> k(2 * 3, 1.0);
    for (double v : run(level(), a, 5, 40, k, 2, 3)) EXPECT_FALSE(std::signbit(v));
}

TEST_P(SlideDotLevels, ColumnVectors) {
    // A single column slid down a single column: every row block of a path
    // starts above the kernel's first row for some output rows.
    std::mt19937 rng(7);
    for (std::uint32_t M = 1; M <= 12; ++M)
        for (std::uint32_t m = 1; m <= M; ++m) {
            const std::vector<double> a = spreadValues(M, rng, 0.0), k = spreadValues(m, rng, 0.0);
            ASSERT_TRUE(sameBits(run(level(), a, M, 1, k, m, 1), plainSums(a, M, 1, k, m, 1))) << "M " << M << " m " << m;
        }
}

// Every map of heights x widths for every kernel shape, with a share of
// specials, against the plain loop on the given level; A and K sized exactly,
// so any read past them shows.
template <std::size_t H, std::size_t WS, std::size_t S>
void expectEveryShape(isa::Isa level, const std::uint32_t (&heights)[H], const std::uint32_t (&widths)[WS],
                      const std::uint32_t (&kernels)[S][2], std::mt19937& rng, double specials) {
    for (const auto& ks : kernels)
        for (std::uint32_t P : heights)
            for (std::uint32_t Q : widths) {
                const std::uint32_t m = ks[0], n = ks[1], M = P + m - 1, N = Q + n - 1;
                const std::vector<double> a = spreadValues(std::size_t{M} * N, rng, specials);
                const std::vector<double> k = spreadValues(std::size_t{m} * n, rng, specials);
                ASSERT_TRUE(sameBits(run(level, a, M, N, k, m, n), plainSums(a, M, N, k, m, n)))
                    << "A " << M << "x" << N << " K " << m << "x" << n;
            }
}

TEST_P(SlideDotLevels, GiveThePlainLoopsBits) {
    // Map widths around every vector and block width (1, 4, 8 lanes; blocks of
    // several vectors) and heights around the row blocks, with kernels of
    // several shapes; the vectors sized exactly, so any read past A shows.
    const std::uint32_t widths[] = {1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 13, 16, 17, 23, 24, 25, 31, 32, 33, 41, 97};
    const std::uint32_t heights[] = {1, 2, 3, 4, 5, 7, 9};
    const std::uint32_t kernels[][2] = {{1, 1}, {1, 6}, {4, 1}, {3, 3}, {2, 7}, {5, 4}, {7, 2}};
    std::mt19937 rng(20240607);
    for (double specials : {0.0, 0.02}) expectEveryShape(level(), heights, widths, kernels, rng, specials);

    // The data does tell orders apart: the same products summed last to first differ.
    const std::uint32_t M = 9, N = 40, m = 5, n = 4;
    const std::vector<double> a = spreadValues(std::size_t{M} * N, rng, 0.0);
    const std::vector<double> k = spreadValues(std::size_t{m} * n, rng, 0.0);
    const std::vector<double> forward = plainSums(a, M, N, k, m, n);
    std::size_t differing = 0;
    for (std::uint32_t j = 0; j + n <= N; ++j) {
        double backward = 0.0;
        for (std::uint32_t t = m * n; t-- > 0;) backward += a[t / n + (j + t % n) * M] * k[t / n + t % n * m];
        differing += bits(backward) != bits(forward[std::size_t{j} * (M - m + 1)]);
    }
    EXPECT_GT(differing, 0u);
}

TEST_P(SlideDotLevels, TallMapsAroundEveryBlock) {
    // Vectors run down the map's columns: heights around every vector and
    // block height (2, 4, 8 lanes; blocks of 3 or 4 vectors), widths around
    // every block width (3 or 6 columns), and kernels narrower and wider than
    // a block. A and K sized exactly, so any read past them shows.
    const std::uint32_t heights[] = {1, 2, 3, 5, 6, 7, 8, 9, 12, 15, 16, 17, 23, 24, 25, 31, 32, 33, 47, 49, 65, 100};
    const std::uint32_t widths[] = {1, 2, 3, 4, 5, 6, 7, 11, 13};
    const std::uint32_t kernels[][2] = {{1, 1}, {3, 1}, {1, 2}, {2, 4}, {3, 5}, {1, 7}, {4, 9}};
    std::mt19937 rng(5);
    for (double specials : {0.0, 0.05}) expectEveryShape(level(), heights, widths, kernels, rng, specials);
}

TEST_P(SlideDotLevels, LongColumnsThroughTheBandCopy) {
    // Columns of 256 rows and more with kernels 8 wide and more are read from
    // a copy of each band of rows, 256 output columns at a time: heights
    // around the tallest block, and widths that end a chunk of columns with
    // fewer than a block's columns, exactly one, or many.
    const std::uint32_t heights[] = {249, 300};
    const std::uint32_t widths[] = {7, 258, 261, 300};
    const std::uint32_t kernels[][2] = {{8, 8}, {1, 9}};
    std::mt19937 rng(17);
    expectEveryShape(level(), heights, widths, kernels, rng, 0.01);
}

TEST(SlideDot, WithoutItsBandCopyReadsAInPlace) {
    // When the copy cannot be allocated, the same sums come from A itself.
    std::mt19937 rng(23);
    const std::uint32_t M = 300, N = 40, m = 4, n = 9;
    const std::vector<double> a = spreadValues(std::size_t{M} * N, rng, 0.01);
    const std::vector<double> k = spreadValues(std::size_t{m} * n, rng, 0.01);
    testsupport::failAllocation(1);
    const std::vector<double> got = run(isa::widest(), a, M, N, k, m, n);
    testsupport::failAllocation(0);
    EXPECT_TRUE(sameBits(got, plainSums(a, M, N, k, m, n)));
}

}  // namespace
