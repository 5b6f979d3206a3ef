// What each plug-in's golden calls are written with (<plugin>/tests/goldenCalls.cpp
// defines <plugin>GoldenCalls(golden::Calls&), which makeGolden runs), and how
// makeGolden and the golden test make a call.
//
// Random inputs are made from the raw output of std::mt19937_64, whose
// sequence the C++ standard fixes, never through a distribution (those differ
// between standard libraries); the inputs are stored in the file anyway, so
// readers never generate anything.
#ifndef REGIONKIT_SELFTEST_GOLDENCALLS_H
#define REGIONKIT_SELFTEST_GOLDENCALLS_H

#include "goldenFile.h"
#include "calls.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace golden {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double tiny = std::numeric_limits<double>::denorm_min();
constexpr double subnormal = 1e-310;

class Source {
public:
    explicit Source(std::uint64_t seed) : engine_(seed) {}
    // [0, 1) from the top 53 bits.
    double unit() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
    // A whole number from 0 to n - 1.
    std::uint64_t below(std::uint64_t n) { return engine_() % n; }
    double whole(int lo, int hi) { return lo + static_cast<double>(below(static_cast<std::uint64_t>(hi - lo + 1))); }
    // Mostly ordinary values, now and then one of the special ones.
    double mixed() {
        static const double special[] = {nan, -nan, 0.0, -0.0, inf, -inf, tiny, -tiny, subnormal,
                                         -subnormal, 1e300, -1e300, 1.0, 0.5};
        if (below(5) == 0) return special[below(sizeof special / sizeof special[0])];
        return unit() * 4 - 2;
    }

private:
    std::mt19937_64 engine_;
};

// From rows written as on paper.
inline Matrix rows(std::size_t r, std::size_t c, std::initializer_list<double> rowMajor) {
    if (rowMajor.size() != r * c) throw std::logic_error("rows: wrong element count");
    Matrix m{r, c, std::vector<double>(r * c)};
    std::size_t k = 0;
    for (double v : rowMajor) {
        m.data[(k % c) * r + k / c] = v;
        ++k;
    }
    return m;
}

inline Matrix value(double v) { return Matrix{1, 1, {v}}; }

// A character row vector, such as an option name.
inline Matrix word(const std::string& characters) {
    Matrix m{1, characters.size(), std::vector<double>(characters.begin(), characters.end()), true};
    return m;
}

template <class F>
Matrix make(std::size_t r, std::size_t c, F element) {  // element(i, j), called in column-major order
    Matrix m{r, c, std::vector<double>(r * c)};
    for (std::size_t j = 0; j < c; ++j)
        for (std::size_t i = 0; i < r; ++i) m.data[j * r + i] = element(i, j);
    return m;
}

// A call with its arguments, through the stand-in host.
inline testsupport::CallResult run(const testsupport::Plugin& plugin, const Call& c) {
    std::vector<testsupport::ArrayPtr> held;
    std::vector<const mxArray*> args;
    for (const Matrix& m : c.arguments) {
        held.push_back(m.text ? testsupport::text(std::string(m.data.begin(), m.data.end()))
                              : testsupport::columnMajor(m.rows, m.cols, m.data));
        args.push_back(held.back().get());
    }
    return plugin.call(static_cast<int>(c.results.size()), args);
}

// The calls of one function, in the order they go into the file; makeGolden
// gives them their function number and results.
class Calls {
public:
    void add(std::vector<Matrix> arguments, int results) {
        Call c;
        c.arguments = std::move(arguments);
        c.results.resize(static_cast<std::size_t>(results));
        list_.push_back(std::move(c));
    }
    std::vector<Call>& list() { return list_; }

private:
    std::vector<Call> list_;
};

}  // namespace golden

#endif
