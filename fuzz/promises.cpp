// The result shapes each plug-in promises, one small table entry per plug-in.
#include "harness.h"

#include <cmath>
#include <cstring>

namespace fuzz {

namespace {

long long rows(const mxArray* a) { return static_cast<long long>(mxGetM(a)); }
long long cols(const mxArray* a) { return static_cast<long long>(mxGetN(a)); }

// kept = rectCull(boxes, threshold): K x (N-1), K <= M, whole-number x, y, w, h,
// further columns 0.
std::string rectCullResults(const std::vector<const mxArray*>& args, int,
                            const testhost::CallResult& r) {
    const mxArray* kept = r.out(0);
    if (std::string e = expectShape(kept, -1, cols(args[0]) - 1); !e.empty()) return e;
    if (rows(kept) > rows(args[0])) return "more boxes kept than given: " + shapeOf(kept);
    const std::vector<double> v = testhost::values(kept);
    const std::size_t k = mxGetM(kept);
    for (std::size_t i = 0; i < v.size(); ++i) {
        const bool coordinate = i < 4 * k;
        if (coordinate ? v[i] != std::trunc(v[i]) : v[i] != 0.0)
            return "element " + std::to_string(i) + " of the result is " + std::to_string(v[i]);
    }
    return "";
}

// d = pairMetric(A, B, code): 1 x (rows of A * rows of B).
std::string pairMetricResults(const std::vector<const mxArray*>& args, int,
                              const testhost::CallResult& r) {
    return expectShape(r.out(0), 1, rows(args[0]) * rows(args[1]));
}

// refit = rectRefit(boxes, regionBoxes, membership, height, width): shaped like boxes.
std::string rectRefitResults(const std::vector<const mxArray*>& args, int,
                             const testhost::CallResult& r) {
    return expectShape(r.out(0), rows(args[0]), cols(args[0]));
}

// s = slideCorr(A, K): one column of (M - m + 1) * (N - n + 1) sums.
std::string slideCorrResults(const std::vector<const mxArray*>& args, int,
                             const testhost::CallResult& r) {
    const long long across = rows(args[0]) - rows(args[1]) + 1;
    const long long down = cols(args[0]) - cols(args[1]) + 1;
    const long long count = across > 0 && down > 0 ? across * down : 0;
    return expectShape(r.out(0), count, 1);
}

// flags = coverTest(regionBoxes, boxes): (rows of boxes) x (rows of region boxes), 0 or 1.
std::string coverTestResults(const std::vector<const mxArray*>& args, int,
                             const testhost::CallResult& r) {
    if (std::string e = expectShape(r.out(0), rows(args[1]), rows(args[0])); !e.empty()) return e;
    for (double v : testhost::values(r.out(0)))
        if (v != 0.0 && v != 1.0) return "a coverage flag is " + std::to_string(v);
    return "";
}

// [counts, totals] = regionTally(wordMap, regionIndex, W, R): W x R and W x 1,
// whole counts, totals the row sums of counts.
std::string regionTallyResults(const std::vector<const mxArray*>& args, int nlhs,
                               const testhost::CallResult& r) {
    const double wordCount = std::trunc(mxGetScalar(args[2]));
    const double regionCount = std::trunc(mxGetScalar(args[3]));
    if (!(wordCount >= 0.0 && wordCount < 2147483648.0 && regionCount >= 0.0 && regionCount < 2147483648.0))
        return "completed with W = " + std::to_string(wordCount) + ", R = " + std::to_string(regionCount);
    const auto w = static_cast<long long>(wordCount);
    const auto regions = static_cast<long long>(regionCount);
    if (std::string e = expectShape(r.out(0), w, regions); !e.empty()) return e;
    if (nlhs < 2) return "";
    if (std::string e = expectShape(r.out(1), w, 1); !e.empty()) return "second result: " + e;
    const std::vector<double> counts = testhost::values(r.out(0));
    const std::vector<double> totals = testhost::values(r.out(1));
    for (long long i = 0; i < w; ++i) {
        double sum = 0.0;
        for (long long j = 0; j < regions; ++j) {
            const double c = counts[static_cast<std::size_t>(i + j * w)];
            if (c < 0.0 || c != std::trunc(c)) return "a count is " + std::to_string(c);
            sum += c;
        }
        if (sum != totals[static_cast<std::size_t>(i)])
            return "total of word " + std::to_string(i + 1) + " is not the sum of its counts";
    }
    return "";
}

// y = faulty(mode): the harness's own planted-fault plug-in, 1 x 1.
std::string faultyResults(const std::vector<const mxArray*>&, int, const testhost::CallResult& r) {
    return expectShape(r.out(0), 1, 1);
}

const PluginPromise promises[] = {
    {"rectCull", 2, 1, false, rectCullResults},
    {"pairMetric", 3, 1, false, pairMetricResults},
    {"rectRefit", 5, 1, false, rectRefitResults},
    {"slideCorr", 2, 1, false, slideCorrResults},
    {"coverTest", 2, 1, false, coverTestResults},
    {"regionTally", 4, 2, true, regionTallyResults},
    {"faulty", 1, 1, false, faultyResults},
};

}  // namespace

const PluginPromise* findPromise(const char* name) {
    for (const PluginPromise& s : promises)
        if (std::strcmp(s.name, name) == 0) return &s;
    return nullptr;
}

std::string shapeOf(const mxArray* a) {
    std::string s;
    const mwSize* d = mxGetDimensions(a);
    for (mwSize i = 0; i < mxGetNumberOfDimensions(a); ++i) s += (i ? "x" : "") + std::to_string(d[i]);
    return s + " " + mxGetClassName(a) + (mxIsComplex(a) ? " complex" : "") + (mxIsSparse(a) ? " sparse" : "");
}

// rows or cols of -1 accept any count.
std::string expectShape(const mxArray* a, long long rows, long long cols) {
    if (a == nullptr) return "no result stored";
    const bool ok = mxIsDouble(a) && !mxIsComplex(a) && !mxIsSparse(a) && mxGetNumberOfDimensions(a) == 2 &&
                    (rows < 0 || static_cast<long long>(mxGetM(a)) == rows) &&
                    (cols < 0 || static_cast<long long>(mxGetN(a)) == cols);
    if (ok) return "";
    return "result is " + shapeOf(a) + ", expected " + (rows < 0 ? "K" : std::to_string(rows)) + "x" +
           (cols < 0 ? "N" : std::to_string(cols)) + " double";
}

}  // namespace fuzz
