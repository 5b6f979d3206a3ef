// benchFloor: the floor of a call, as a MEX function that does only what no
// implementation of a function can leave out. Built for the benchmarks alone,
// never installed.
//
//   [r1, r2, ...] = benchFloor(shapes, A, B, ...)
//
// reads every element of A, B, ... once (as the function reads its inputs)
// and creates each result of the shapes given, one row [rows cols] each, as
// the host creates results (zero-filled), writing every element once (as the
// function writes its results). The elements written are the greatest value
// read, so that neither pass can be left out. Timed beside a function on the
// same arguments, in the same process, it measures the same host calls, memory
// traffic and caches as the function meets; the function can only take longer.
//
// The reads use the widest vector level the processor runs, four registers
// deep, so that neither latency nor instruction count limits them.
#include "exactArithmetic.h"

#include "gate.h"
#include "lanes.h"

#include <cstddef>

namespace {

#define REGIONKIT_BODY_TEXT                                                                      \
    /* The greatest of count doubles at p (NaN ignored), read once; 0 for none. */               \
    inline double readAll(const double* p, std::size_t count) {                                  \
        L::V a = L::zero(), b = L::zero(), c = L::zero(), d = L::zero();                         \
        std::size_t i = 0;                                                                       \
        for (; count - i >= 4 * L::W; i += 4 * L::W) {                                           \
            a = L::max(L::load(p + i), a);                                                       \
            b = L::max(L::load(p + i + L::W), b);                                                \
            c = L::max(L::load(p + i + 2 * L::W), c);                                            \
            d = L::max(L::load(p + i + 3 * L::W), d);                                            \
        }                                                                                        \
        double lanes[L::W];                                                                      \
        L::store(lanes, L::max(L::max(a, b), L::max(c, d)));                                     \
        double greatest = 0.0;                                                                   \
        for (int l = 0; l < L::W; ++l) greatest = lanes[l] > greatest ? lanes[l] : greatest;     \
        for (; i < count; ++i) greatest = p[i] > greatest ? p[i] : greatest;                     \
        return greatest;                                                                         \
    }                                                                                            \
    /* v into count doubles at p. */                                                             \
    inline void writeAll(double* p, std::size_t count, double v) {                               \
        const L::V x = L::splat(v);                                                              \
        std::size_t i = 0;                                                                       \
        for (; count - i >= L::W; i += L::W) L::store(p + i, x);                                 \
        for (; i < count; ++i) p[i] = v;                                                         \
    }

#include "eachIsa.inc"
#undef REGIONKIT_BODY_TEXT

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (nrhs < 1 || !mxIsDouble(prhs[0]) || mxGetN(prhs[0]) != 2 || mxGetM(prhs[0]) < static_cast<std::size_t>(nlhs))
        mexErrMsgTxt("Error: benchFloor(shapes, A, B, ...) takes one row [rows cols] of shapes per result");
    const isa::Isa run = isa::widest();
    double greatest = 0.0;
    for (int k = 1; k < nrhs; ++k) {
        if (!mxIsDouble(prhs[k])) mexErrMsgTxt("Error: benchFloor reads double matrices only");
        const double g = REGIONKIT_RUN(run, readAll(mxGetPr(prhs[k]), mxGetNumberOfElements(prhs[k])));
        greatest = g > greatest ? g : greatest;
    }
    const double* shapes = mxGetPr(prhs[0]);
    const std::size_t count = mxGetM(prhs[0]);
    for (int r = 0; r < (nlhs > 1 ? nlhs : 1) && static_cast<std::size_t>(r) < count; ++r) {
        const auto rows = static_cast<mwSize>(shapes[r]), cols = static_cast<mwSize>(shapes[r + count]);
        plhs[r] = mxCreateDoubleMatrix(rows, cols, mxREAL);
        REGIONKIT_RUN(run, writeAll(mxGetPr(plhs[r]), static_cast<std::size_t>(rows) * cols, greatest));
    }
}
