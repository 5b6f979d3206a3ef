// D = pairMetric(A, B, code): distances between every row of A and every row
// of B, rescaled together.
//
// A is M x N, B is R x S with S >= N (only B's first N columns are read),
// code 1 selects histogram intersection, 2 Euclidean distance, anything else
// gives 0.0 for every pair. D is 1 x (M*R): row i of A against row j of B
// (from 0) stands at position i*R + j.
#include "exactArithmetic.h"

#include "distanceTable.h"
#include "gate.h"
#include "rowTable.h"

using namespace regionkit;

namespace {

enum { IN_A = 0, IN_B, IN_CODE, IN_COUNT };
enum { OUT_DISTANCES = 0, OUT_COUNT };

const char* const usage = "D = pairMetric(A, B, code)";

bool pairEntry(gateway::Gate& gate, int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    if (!gate.outputs(nlhs, OUT_COUNT) || !gate.inputs(nrhs, IN_COUNT, IN_COUNT, usage)) return false;
    const mxArray* a = prhs[IN_A];
    const mxArray* b = prhs[IN_B];
    const mxArray* code = prhs[IN_CODE];

    std::int32_t m = 0, n = 0, r = 0, s = 0;
    if (!gate.realDoubleMatrix(a, 1, "A") || !gate.size32(a, 1, "A", &m, &n)) return false;
    if (!gate.recordMatrix(b, 2, "B", n, "as many as A", &r, &s)) return false;
    if (!gate.realDoubleMatrix(code, 3, "code") || !gate.notEmpty(code, 3, "code")) return false;
    std::int32_t pairs = 0;
    if (!gate.count32(static_cast<unsigned long long>(m) * static_cast<unsigned long long>(r),
                      "The pair count (rows of A times rows of B)", &pairs))
        return false;
    const double metric = gateway::firstValue(code);

    return gateway::guarded(gate, [&] {
        // The result comes first: every row of B the tables would copy stands
        // for at least one of its elements, so once the host has made it the
        // copies cannot cost more, even for a B of 2^31 empty rows. With no
        // pairs nothing is copied at all.
        double* out = nullptr;
        if (!gate.createResult(1, pairs, &plhs[OUT_DISTANCES], &out)) return false;
        if (pairs == 0) return true;

        // Where vectors run, the kernel packs A and B straight from the
        // host's columns, which it reads in runs of neighbouring rows; only
        // the plain walk needs row tables.
        const isa::Isa level = isa::preferred();
        if (fillsFromColumns(level, m, n, r, metric)) {
            if (fillDistanceTableFromColumns(level, mxGetPr(a), m, n, mxGetPr(b), r, metric, out)) return true;
            mxDestroyArray(plhs[OUT_DISTANCES]);
            plhs[OUT_DISTANCES] = nullptr;
            return gate.outOfMemory();
        }

        gateway::RowTables tables;
        if (!tables.add(m, n, mxGetPr(a)) || !tables.add(r, s, mxGetPr(b))) {
            mxDestroyArray(plhs[OUT_DISTANCES]);
            plhs[OUT_DISTANCES] = nullptr;
            return gate.outOfMemory();
        }
        tables.fillAll();
        fillDistanceTable(tables[IN_A], m, n, tables[IN_B], r, metric, out);
        return true;
    });
}

}  // namespace

REGIONKIT_ENTRY void mexFunction(int nlhs, mxArray* plhs[], int nrhs, const mxArray* prhs[]) {
    gateway::Gate gate("pairMetric");
    if (!pairEntry(gate, nlhs, plhs, nrhs, prhs)) gate.raise();
}
