// sums = slideCorr(A, K): valid-mode cross-correlation of A with K (K not flipped).
//
// A is M x N, K is m x n. The result is a (P*Q) x 1 column, P = M - m + 1 and
// Q = N - n + 1: the sum of products of K with the window of A at row offset i
// and column offset j stands at row i + j*P + 1, so reshape(sums, P, Q) is the
// map of window positions. A K that does not fit inside A gives a 0 x 1 result;
// an empty K gives (M + 1)*(N + 1) zeros.
#include "gate.h"
#include "slideDot.h"

#include <cstdint>

using namespace regionkit;

namespace {

enum { IN_A = 0, IN_K, IN_COUNT };
enum { OUT_SUMS = 0, OUT_COUNT };

const char* const usage = "sums = slideCorr(A, K)";

// The size of a host matrix; its data is read where the host keeps it.
struct Shape {
    std::int32_t rows = 0;
    std::int32_t cols = 0;
};

bool readShape(gateway::Gate& gate, const mxArray* arg, int position, const char* name, Shape& s) {
    return gate.realDoubleMatrix(arg, position, name) && gate.size32(arg, position, name, &s.rows, &s.cols);
}

// The kernel reads A and K in the host's column-major order, so the only memory
// a call takes is its result.
bool slideEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_COUNT, IN_COUNT, usage)) return false;

    Shape a, k;
    if (!readShape(gate, prhs[IN_A], 1, "A", a) || !readShape(gate, prhs[IN_K], 2, "K", k))
        return false;

    // Window positions; none when K is taller or wider than A.
    const std::int64_t P = static_cast<std::int64_t>(a.rows) - k.rows + 1;
    const std::int64_t Q = static_cast<std::int64_t>(a.cols) - k.cols + 1;
    const unsigned long long positions = P > 0 && Q > 0 ? static_cast<unsigned long long>(P * Q) : 0;
    std::int32_t resultRows = 0;
    if (!gate.count32(positions, "The number of window positions", &resultRows)) return false;

    double* out = nullptr;
    if (!gate.createResult(resultRows, 1, &plhs[OUT_SUMS], &out)) return false;
    if (resultRows > 0)
        slideDot(mxGetPr(prhs[IN_A]), static_cast<std::uint32_t>(a.rows), static_cast<std::uint32_t>(a.cols),
                 mxGetPr(prhs[IN_K]), static_cast<std::uint32_t>(k.rows), static_cast<std::uint32_t>(k.cols), out);
    return true;
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("slideCorr");
    if (!slideEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
