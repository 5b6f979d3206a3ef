// Comparing results to the bit, and handing rows to the kernels, for every
// C++ suite.
//
// Two doubles are the same when their bits are, except that any NaN matches
// any NaN: which NaN an operation passes on may depend on the order of its
// operands. +0.0 and -0.0 differ.
#ifndef REGIONKIT_TESTHOST_BITS_H
#define REGIONKIT_TESTHOST_BITS_H

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

namespace testhost {

inline std::uint64_t bits(double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

inline bool sameBits(double x, double y) { return bits(x) == bits(y) || (std::isnan(x) && std::isnan(y)); }

// Same length and the same bits element by element; names the first difference.
inline ::testing::AssertionResult sameBits(const std::vector<double>& got, const std::vector<double>& want) {
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << got.size() << " values where " << want.size() << " were expected";
    for (std::size_t i = 0; i < got.size(); ++i)
        if (!sameBits(got[i], want[i]))
            return ::testing::AssertionFailure() << "at " << i << ": " << got[i] << " (0x" << std::hex << bits(got[i])
                                                 << ") where " << std::dec << want[i] << " (0x" << std::hex
                                                 << bits(want[i]) << ") was expected";
    return ::testing::AssertionSuccess();
}

// A pointer to the start of every row, as a row table holds them; the rows
// (vectors or arrays of doubles) must outlive the pointers.
template <class Rows>
std::vector<const double*> rowsOf(const Rows& rows) {
    std::vector<const double*> pointers;
    for (const auto& row : rows) pointers.push_back(std::data(row));
    return pointers;
}

}  // namespace testhost

#endif
