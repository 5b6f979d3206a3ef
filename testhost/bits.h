// Comparing results to the bit, and handing rows to the kernels, for every
// C++ suite and the fuzz harness (which uses no gtest function).
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
#include <sstream>
#include <string>
#include <vector>

namespace testhost {

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

}  // namespace testhost

#endif
