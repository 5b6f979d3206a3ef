// Valid-mode sliding-window correlation, straight on column-major matrices.
//
// A has M rows and N columns, K has m rows and n columns; both are stored
// column by column, as the host hands them over (element (p, q) of an h x w
// matrix at p + q*h). K is not flipped. For every row offset i < P = M - m + 1
// and column offset j < Q = N - n + 1:
//
//   S(i, j) = sum over r < m, s < n of A(i + r, j + s) * K(r, s)
//
// formed as one running sum from 0.0, products taken in K's row-major order
// (r outer, s inner), each product rounded before it is added. How A and K lie
// in memory does not change that order, only where each element is read.
// S(i, j) is stored at out[i + j*P], so `out` holds the P x Q map column by
// column.
#ifndef REGIONKIT_SLIDECORR_SLIDEDOT_H
#define REGIONKIT_SLIDECORR_SLIDEDOT_H

#include "isa.h"

#include <cstdint>

namespace regionkit {

// Writes all P*Q sums into out. When K does not fit inside A (m > M or n > N)
// there is no valid position: nothing is read and nothing is written. When K
// has no elements every sum is 0.0 and A is not read.
void slideDot(const double* a, std::uint32_t M, std::uint32_t N, const double* k, std::uint32_t m,
              std::uint32_t n, double* out);

// slideDot at a given vector level (the narrower of it and what the processor
// runs); every level gives the same bits and slideDot takes the widest.
// Exposed so tests can check each level and benchmarks time each one.
void slideDotOn(isa::Isa level, const double* a, std::uint32_t M, std::uint32_t N, const double* k,
                std::uint32_t m, std::uint32_t n, double* out);

}  // namespace regionkit

#endif
