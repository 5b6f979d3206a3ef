// sums = slideCorr(A, K): valid-mode cross-correlation of A with K (K not flipped).
//
// A is M x N, K is m x n. The result is a (P*Q) x 1 column, P = M - m + 1 and
// Q = N - n + 1: the sum of products of K with the window of A at row offset i
// and column offset j stands at row i + j*P + 1, so reshape(sums, P, Q) is the
// map of window positions. A K that does not fit inside A gives a 0 x 1 result;
// an empty K gives (M + 1)*(N + 1) zeros.
#include "allocation.h"
#include "gate.h"
#include "slideDot.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

enum { IN_A = 0, IN_K, IN_COUNT };
enum { OUT_SUMS = 0, OUT_COUNT };

const char* const usage = "sums = slideCorr(A, K)";

// A host matrix and its dense row-major working copy.
struct Block {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::int32_t count = 0;
    const double* data = nullptr;
    double* copy = nullptr;
};

// Both working copies, released in argument order however the body ends.
struct Blocks {
    Block a;
    Block k;
    ~Blocks() {
        gateway::release(a.copy);
        gateway::release(k.copy);
    }
};

bool describeArgument(gateway::Gate& gate, const mxArray* arg, int position, const char* name, Block& b) {
    if (!gate.realDoubleMatrix(arg, position, name) || !gate.size32(arg, position, name, &b.rows, &b.cols))
        return false;
    char what[96];
    std::snprintf(what, sizeof what, "The element count of argument %d (%s)", position, name);
    if (!gate.count32(static_cast<unsigned long long>(b.rows) * static_cast<unsigned long long>(b.cols), what,
                      &b.count))
        return false;
    b.data = mxGetPr(arg);
    return true;
}

// Row-major copy of a column-major matrix, eight rows at a time: each step
// reads one cache line of a column and extends eight row streams by one
// element, so neither side is re-fetched, whatever the matrix's stride.
void fillRowMajor(const Block& b) {
    constexpr std::size_t band = 8;
    const auto rows = static_cast<std::size_t>(b.rows);
    const auto cols = static_cast<std::size_t>(b.cols);
    for (std::size_t p0 = 0; p0 < rows; p0 += band) {
        const std::size_t p1 = p0 + band < rows ? p0 + band : rows;
        for (std::size_t q = 0; q < cols; ++q) {
            const double* column = b.data + q * rows;
            for (std::size_t p = p0; p < p1; ++p) b.copy[p * cols + q] = column[p];
        }
    }
}

bool slideEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_COUNT, IN_COUNT, usage)) return false;

    Block a, k;
    if (!describeArgument(gate, prhs[IN_A], 1, "A", a) || !describeArgument(gate, prhs[IN_K], 2, "K", k))
        return false;

    // Window positions; none when K is taller or wider than A.
    const std::int64_t P = static_cast<std::int64_t>(a.rows) - k.rows + 1;
    const std::int64_t Q = static_cast<std::int64_t>(a.cols) - k.cols + 1;
    const unsigned long long positions = P > 0 && Q > 0 ? static_cast<unsigned long long>(P * Q) : 0;
    std::int32_t resultRows = 0;
    if (!gate.count32(positions, "The number of window positions", &resultRows)) return false;

    return gateway::guarded(gate, [&] {
        Blocks blocks{a, k};
        blocks.a.copy = static_cast<double*>(gateway::allocateZeroed(static_cast<std::size_t>(a.count), sizeof(double)));
        blocks.k.copy = static_cast<double*>(gateway::allocateZeroed(static_cast<std::size_t>(k.count), sizeof(double)));
        if (blocks.a.copy == nullptr || blocks.k.copy == nullptr) return gate.outOfMemory();
        fillRowMajor(blocks.a);
        fillRowMajor(blocks.k);

        double* out = nullptr;
        if (!gate.createResult(resultRows, 1, &plhs[OUT_SUMS], &out)) return false;
        if (resultRows > 0)
            slideDot(blocks.a.copy, static_cast<std::uint32_t>(a.rows), static_cast<std::uint32_t>(a.cols),
                     blocks.k.copy, static_cast<std::uint32_t>(k.rows), static_cast<std::uint32_t>(k.cols), out);
        return true;
    });
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("slideCorr");
    if (!slideEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
