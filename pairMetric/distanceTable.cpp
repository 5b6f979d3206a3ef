#include "exactArithmetic.h"

#include "distanceTable.h"

#include "allocation.h"
#include "lanes.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace regionkit {

namespace {

int metricOf(double code) {
    if (code == histogramIntersection) return 1;
    if (code == euclideanDistance) return 2;
    return 0;
}

// The running bounds of the distances, taken in output order.
struct Bounds {
    double lo = 1.0;
    double hi = 0.0;

    void take(const double* d, std::size_t count) {
        for (std::size_t x = 0; x < count; ++x) {
            if (d[x] > hi) hi = d[x];
            if (d[x] < lo) lo = d[x];
        }
    }
};

void fillPlain(const double* const* tableA, std::int32_t m, std::int32_t n, const double* const* tableB,
               std::int32_t r, double code, bool rescale, double* out) {
    Bounds bounds;
    std::size_t x = 0;
    for (std::int32_t i = 0; i < m; ++i)
        for (std::int32_t j = 0; j < r; ++j, ++x) {
            out[x] = rowDistance(tableA[i], tableB[j], n, code);
            bounds.take(out + x, 1);
        }
    if (!rescale) return;
    const double span = bounds.hi - bounds.lo;
    for (std::size_t y = 0; y < x; ++y) out[y] = (out[y] - bounds.lo) / span;
}

// Where the vector kernels read the rows from: the host's column-major data
// (element k of row i at data[i + k*rows]).
struct FromColumns {
    const double* data;
    std::size_t rows;
    double operator()(std::size_t i, std::size_t k) const { return data[i + k * rows]; }
};

std::size_t groupCount(std::int32_t count, int width) {
    return (static_cast<std::size_t>(count) + static_cast<std::size_t>(width) - 1) / static_cast<std::size_t>(width);
}

// Rows regrouped `width` at a time for the vector kernels: group g holds rows
// g*width .. g*width + width-1, element k of them side by side at
// packed[(g*n + k)*width + 0 .. width-1]. Rows past the end are zeros; their
// lanes are computed and thrown away. The host's columns are read one whole
// column at a time.
template <class Source>
void packGroups(double* packed, std::int32_t count, std::int32_t n, int width, const Source& source) {
    const std::size_t w = static_cast<std::size_t>(width);
    const std::size_t groups = groupCount(count, width);
    const std::size_t cols = static_cast<std::size_t>(n);
    const std::size_t tail = static_cast<std::size_t>(count) - (groups - 1) * w;  // real rows of the last group
    for (std::size_t k = 0; k < cols; ++k) {
        for (std::size_t g = 0; g + 1 < groups; ++g) {
            double* to = packed + (g * cols + k) * w;
            for (std::size_t l = 0; l < w; ++l) to[l] = source(g * w + l, k);
        }
        double* to = packed + ((groups - 1) * cols + k) * w;
        for (std::size_t l = 0; l < w; ++l) to[l] = l < tail ? source((groups - 1) * w + l, k) : 0.0;
    }
}

// The working copy of the vector kernels: A grouped by `rowsA`, B by
// `rowsB`, in one block whose two parts start on 64-byte boundaries, so no
// load of a packed register straddles two cache lines.
class Packed {
public:
    Packed() = default;
    Packed(const Packed&) = delete;
    Packed& operator=(const Packed&) = delete;
    ~Packed() { gateway::releaseTried(base_); }

    // False, holding nothing, when the sizes overflow or the block cannot be allocated.
    bool make(std::int32_t m, std::int32_t r, std::int32_t n, int rowsA, int rowsB) {
        const std::size_t limit = std::numeric_limits<std::size_t>::max() / sizeof(double) / 2 - 64;
        const std::size_t cols = static_cast<std::size_t>(n);
        const std::size_t groupsA = groupCount(m, rowsA), groupsB = groupCount(r, rowsB);
        if (cols != 0 && (groupsA > limit / cols / static_cast<std::size_t>(rowsA) ||
                          groupsB > limit / cols / static_cast<std::size_t>(rowsB)))
            return false;
        const std::size_t lengthA = roundUp(groupsA * static_cast<std::size_t>(rowsA) * cols);
        const std::size_t lengthB = groupsB * static_cast<std::size_t>(rowsB) * cols;
        base_ = gateway::tryAllocate((lengthA + lengthB) * sizeof(double) + alignment);
        if (base_ == nullptr) return false;
        const std::size_t address = reinterpret_cast<std::size_t>(base_);
        a_ = reinterpret_cast<double*>((address + alignment - 1) / alignment * alignment);
        b_ = a_ + lengthA;
        return true;
    }
    double* a() const { return a_; }
    double* b() const { return b_; }

private:
    static constexpr std::size_t alignment = 64;
    static std::size_t roundUp(std::size_t doubles) {
        const std::size_t per = alignment / sizeof(double);
        return (doubles + per - 1) / per * per;
    }
    void* base_ = nullptr;
    double* a_ = nullptr;
    double* b_ = nullptr;
};

// The scalar level is fillPlain; the vector levels share one body.
#define REGIONKIT_BODY "distanceTile.inc"
#define REGIONKIT_BODY_VECTOR_ONLY
#define REGIONKIT_SCALAR_CALL(call) false
#include "eachIsa.inc"
#undef REGIONKIT_BODY

}  // namespace

double rowDistance(const double* a, const double* b, std::int32_t n, double code) {
    if (code == histogramIntersection) {
        double sum = 0.0;
        for (std::int32_t k = 0; k < n; ++k) sum = sum + (b[k] > a[k] ? a[k] : b[k]);
        return 1.0 - sum;
    }
    if (code == euclideanDistance) {
        double sum = 0.0;
        for (std::int32_t k = 0; k < n; ++k) {
            const double t = a[k] - b[k];
            sum = sum + t * t;
        }
        return std::sqrt(sum);
    }
    return 0.0;
}

namespace {

bool vectorsPay(isa::Isa run, std::int32_t m, std::int32_t n, std::int32_t r, double code) {
    // Vectors only pay where there are sums to run: with no pairs, no elements
    // or a code without a metric the plain walk is as quick.
    return run != isa::Isa::scalar && metricOf(code) != 0 && m > 0 && r > 0 && n > 0;
}

bool fillFromColumns(isa::Isa level, const double* a, std::int32_t m, std::int32_t n, const double* b,
                     std::int32_t r, double code, bool rescale, double* out) {
    const isa::Isa run = isa::choose(level);
    return vectorsPay(run, m, n, r, code) &&
           REGIONKIT_RUN(run, fillVector(FromColumns{a, static_cast<std::size_t>(m)}, m, n,
                                         FromColumns{b, static_cast<std::size_t>(r)}, r, metricOf(code), rescale, out));
}

}  // namespace

bool fillsFromColumns(isa::Isa level, std::int32_t m, std::int32_t n, std::int32_t r, double code) {
    return vectorsPay(isa::choose(level), m, n, r, code);
}

bool fillDistanceTableFromColumns(isa::Isa level, const double* a, std::int32_t m, std::int32_t n, const double* b,
                                  std::int32_t r, double code, double* out) {
    return fillFromColumns(level, a, m, n, b, r, code, true, out);
}

bool fillDistancesFromColumns(isa::Isa level, const double* a, std::int32_t m, std::int32_t n, const double* b,
                              std::int32_t r, double code, double* out) {
    return fillFromColumns(level, a, m, n, b, r, code, false, out);
}

void fillDistanceTable(const double* const* tableA, std::int32_t m, std::int32_t n, const double* const* tableB,
                       std::int32_t r, double code, double* out) {
    fillPlain(tableA, m, n, tableB, r, code, true, out);
}

}  // namespace regionkit
