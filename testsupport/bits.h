// Comparing results to the bit, handing rows to the kernels, and random
// inputs that tell apart the orders of a sum, the picks of a comparison or the
// edges of a box: for every C++ suite and the fuzz harness (which uses no
// gtest function).
//
// Two doubles are the same when their bits are, except that any NaN matches
// any NaN: which NaN an operation passes on may depend on the order of its
// operands. +0.0 and -0.0 differ.
#ifndef REGIONKIT_TESTSUPPORT_BITS_H
#define REGIONKIT_TESTSUPPORT_BITS_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

inline std::uint64_t bits(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

inline bool sameBits(double x, double y) { return bits(x) == bits(y) || (std::isnan(x) && std::isnan(y)); }

// "" when got and want have the same length and the same bits element by
// element; else what the first difference is.
inline std::string difference(const std::vector<double>& got, const std::vector<double>& want) {
    std::ostringstream s;
    if (got.size() != want.size()) s << got.size() << " values where " << want.size() << " were expected";
    for (std::size_t i = 0; s.tellp() == 0 && i < got.size(); ++i)
        if (!sameBits(got[i], want[i]))
            s << "at " << i << ": " << got[i] << " (0x" << std::hex << bits(got[i]) << ") where " << std::dec
              << want[i] << " (0x" << std::hex << bits(want[i]) << ") was expected";
    return s.str();
}

inline ::testing::AssertionResult sameBits(const std::vector<double>& got, const std::vector<double>& want) {
    const std::string d = difference(got, want);
    return d.empty() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << d;
}

// A pointer to the start of every row, as a row table holds them; the rows
// (vectors or arrays of doubles) must outlive the pointers.
template <class Rows>
std::vector<const double*> rowsOf(const Rows& rows) {
    std::vector<const double*> pointers;
    for (const auto& row : rows) pointers.push_back(std::data(row));
    return pointers;
}

using Rows = std::vector<std::vector<double>>;

// The first `cols` values of every row, column-major, as the host holds a matrix.
inline std::vector<double> columnsOf(const Rows& rows, std::size_t cols = 4) {
    std::vector<double> data(rows.size() * cols);
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t c = 0; c < cols; ++c) data[i + c * rows.size()] = rows[i][c];
    return data;
}

// Values spread over many binades, so that adding the same products in any
// other order almost surely changes some sums in their last bits.
inline std::vector<double> spreadValues(std::size_t count, std::mt19937& rng, double specials) {
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0), pick(0.0, 1.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    const double special[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), -0.0, 0.0,
                              std::numeric_limits<double>::denorm_min()};
    std::uniform_int_distribution<int> which(0, 5);
    std::vector<double> v(count);
    for (double& x : v)
        x = pick(rng) < specials ? special[which(rng)] : std::ldexp(mantissa(rng), exponent(rng));
    return v;
}

// Values that stress the picks and the rounding: tiny and huge magnitudes, and
// (when `special`) NaN, signed zeros and infinities.
inline Rows randomRows(std::mt19937& rng, int count, int n, bool special) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> kind(0, 15), exponent(-40, 40);
    const double inf = std::numeric_limits<double>::infinity();
    const double specials[] = {std::numeric_limits<double>::quiet_NaN(), 0.0, -0.0, inf, -inf};
    Rows rows(static_cast<std::size_t>(count));
    for (auto& row : rows)
        for (int k = 0; k < n; ++k) {
            const int c = kind(rng);
            double v = unit(rng);
            if (c == 0) v = std::ldexp(v - 0.5, exponent(rng));
            if (c == 1) v = -v;
            if (special && c >= 13) v = specials[static_cast<std::size_t>(kind(rng)) % 5];
            // Duplicates make ties between a and b common.
            if (c == 2 && !row.empty()) v = row.back();
            row.push_back(v);
        }
    return rows;
}

// Small whole and half coordinates make ties, touching edges and exact 0.9
// shares common; NaN and degenerate sizes turn up too.
inline Rows randomBoxes(std::mt19937& rng, int count) {
    std::uniform_int_distribution<int> coord(-4, 24), size(-2, 24), odd(0, 29);
    auto value = [&](int v) {
        const int roll = odd(rng);
        if (roll == 0) return std::numeric_limits<double>::quiet_NaN();
        return roll == 1 ? v + 0.5 : static_cast<double>(v);
    };
    Rows boxes;
    for (int i = 0; i < count; ++i)
        boxes.push_back({value(coord(rng)), value(coord(rng)), value(size(rng)), value(size(rng))});
    return boxes;
}

}  // namespace testsupport

#endif
