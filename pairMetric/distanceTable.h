// Distances between every row of one matrix and every row of another, by
// histogram intersection or Euclidean distance, rescaled together by one
// common offset and one common divisor.
//
// The arithmetic is fixed to the bit: every sum runs sequentially, one
// running value, elements in index order. The fast kernels gain their speed by
// computing several independent pairs at once, never by splitting a sum.
#ifndef REGIONKIT_PAIRMETRIC_DISTANCETABLE_H
#define REGIONKIT_PAIRMETRIC_DISTANCETABLE_H

#include "isa.h"

#include <cstdint>

namespace regionkit {

// Metric codes, compared with exact equality; any other code (NaN included)
// makes every distance 0.0.
constexpr double histogramIntersection = 1.0;
constexpr double euclideanDistance = 2.0;

// The distance between a (n doubles) and the first n doubles of b:
//   histogram intersection: 1.0 - sum of (b_k > a_k ? a_k : b_k)
//   Euclidean:              sqrt of sum of (a_k - b_k) * (a_k - b_k)
//   any other code:         0.0
// With n <= 0 the sums are empty.
double rowDistance(const double* a, const double* b, std::int32_t n, double code);

// out[i*r + j] = distance of row i of tableA (m rows) and row j of tableB
// (r rows, each at least n long), then every entry x becomes
// (x - lo) / (hi - lo), where lo starts at 1.0 and hi at 0.0 and each
// distance lowers lo or raises hi only by a strict comparison (NaN changes
// neither). out holds m*r doubles. One pair at a time, in output order: the
// way of the calls fillsFromColumns turns down.
void fillDistanceTable(const double* const* tableA, std::int32_t m, std::int32_t n,
                       const double* const* tableB, std::int32_t r, double code, double* out);

// The same table straight from the host's column-major data, without row
// tables, at a given vector level (the narrower of it and what the processor
// runs): A is m x n (element k of row i at a[i + k*m]), B has r rows and at
// least n columns (b[j + k*r]). Several pairs at once, from packed copies of
// both; every level gives fillDistanceTable's bits. Only for calls
// fillsFromColumns accepts (a vector level runs, the code has a metric, and
// there are pairs and elements). False, with out untouched, when the packed
// copies cannot be allocated.
bool fillsFromColumns(isa::Isa level, std::int32_t m, std::int32_t n, std::int32_t r, double code);
bool fillDistanceTableFromColumns(isa::Isa level, const double* a, std::int32_t m, std::int32_t n, const double* b,
                                  std::int32_t r, double code, double* out);

// The same without the rescale: out[i*r + j] is the plain distance. Lets the
// levels be compared pair by pair.
bool fillDistancesFromColumns(isa::Isa level, const double* a, std::int32_t m, std::int32_t n, const double* b,
                              std::int32_t r, double code, double* out);

}  // namespace regionkit

#endif
