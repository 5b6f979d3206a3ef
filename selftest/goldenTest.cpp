// Every golden call through the stand-in host gives the stored results, bit for
// bit: this build computes what the reference build computed.
#include "bits.h"
#include "builtPlugins.h"
#include "goldenCalls.h"
#include "calls.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <memory>
#include <string>

namespace {

using golden::Call;
using golden::Matrix;

const golden::File& goldenFile() {
    static const golden::File file = golden::decode(golden::readFile(REGIONKIT_GOLDEN_FILE));
    return file;
}

struct Plugin {
    const char* name;
    const char* path;
};

// Every plug-in of this build, from the plug-in folders.
const Plugin plugins[] = {
#define REGIONKIT_GOLDEN_ENTRY(name, path) {#name, path},
    REGIONKIT_GOLDEN_PLUGINS(REGIONKIT_GOLDEN_ENTRY)
#undef REGIONKIT_GOLDEN_ENTRY
};

// Empty when the result matches; otherwise where and how it first differs.
std::string difference(const Matrix& expected, const mxArray* got) {
    if (got == nullptr) return "no result stored";
    if (mxGetM(got) != expected.rows || mxGetN(got) != expected.cols)
        return "size " + std::to_string(mxGetM(got)) + "x" + std::to_string(mxGetN(got)) + ", expected " +
               std::to_string(expected.rows) + "x" + std::to_string(expected.cols);
    const testing::AssertionResult same = testsupport::sameBits(testsupport::values(got), expected.data);
    return same ? "" : same.message();
}

class Golden : public testing::TestWithParam<Plugin> {};

TEST_P(Golden, EveryCallGivesTheStoredResults) {
    const char* name = GetParam().name;
    const testsupport::Plugin plugin(GetParam().path);
    const golden::File& file = goldenFile();
    int function = 0;
    for (std::size_t f = 0; f < file.functions.size(); ++f)
        if (file.functions[f] == name) function = static_cast<int>(f + 1);
    ASSERT_NE(function, 0) << name << " has no golden calls: write them with makeGolden (make golden)";
    std::size_t ran = 0, failed = 0;
    for (std::size_t n = 0; n < file.calls.size(); ++n) {
        const Call& c = file.calls[n];
        if (c.function != function) continue;
        ++ran;
        const testsupport::CallResult r = golden::run(plugin, c);
        std::string problem = r.raised ? "refused: " + r.message : "";
        for (std::size_t i = 0; problem.empty() && i < c.results.size(); ++i) {
            const std::string d = difference(c.results[i], r.out(i));
            if (!d.empty()) problem = "result " + std::to_string(i + 1) + ": " + d;
        }
        if (!problem.empty() && ++failed <= 10)
            ADD_FAILURE() << name << ", golden call " << n + 1 << " (its " << ran << ". call): " << problem;
    }
    EXPECT_EQ(failed, 0u) << name << ": " << failed << " of " << ran << " calls differ";
    EXPECT_GT(ran, 10u) << name << " has too few golden calls";
}

INSTANTIATE_TEST_SUITE_P(EachFunction, Golden, testing::ValuesIn(plugins),
                         [](const testing::TestParamInfo<Plugin>& info) { return std::string(info.param.name); });

TEST(GoldenFile, ReadsWholeAndRefusesDamage) {
    const std::vector<unsigned char> bytes = golden::readFile(REGIONKIT_GOLDEN_FILE);
    EXPECT_LT(bytes.size(), 2u << 20);
    const golden::File file = golden::decode(bytes);
    // Written back, the calls give the same bytes: nothing was lost in decoding.
    EXPECT_EQ(golden::encode(file), bytes);

    std::vector<unsigned char> cut(bytes.begin(), bytes.end() - 8);
    EXPECT_THROW(golden::decode(cut), std::runtime_error);
    std::vector<unsigned char> longer = bytes;
    longer.resize(bytes.size() + 8);
    EXPECT_THROW(golden::decode(longer), std::runtime_error);
    std::vector<unsigned char> wrongMagic = bytes;
    wrongMagic[0] ^= 1;
    EXPECT_THROW(golden::decode(wrongMagic), std::runtime_error);
}

TEST(SameBits, NaNMatchesAnyNaNAndSignedZerosDiffer) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(testsupport::sameBits(nan, -nan));
    EXPECT_FALSE(testsupport::sameBits(0.0, -0.0));
    EXPECT_FALSE(testsupport::sameBits(nan, 1.0));
    EXPECT_FALSE(testsupport::sameBits(std::numeric_limits<double>::denorm_min(), 0.0));
}

}  // namespace
