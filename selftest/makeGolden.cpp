// Writes the golden calls file (format: goldenFile.h): each plug-in's golden
// calls (<plugin>/tests/goldenCalls.cpp), run through the stand-in host, with
// the results they give here.
//   makeGolden <output file>
//
// The calls cover each function's edge cases (ties, NaN, signed zeros,
// denormals, infinities, its limits, empty sides), sizes on both sides of
// every vector width and block size its kernels use, and larger random cases.
#include "builtPlugins.h"
#include "goldenCalls.h"
#include "calls.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

using golden::Call;
using golden::Matrix;

struct Plugin {
    const char* name;
    const char* path;
    void (*makeCalls)(golden::Calls&);
};

// Every plug-in of this build, from the plug-in folders.
const Plugin plugins[] = {
#define REGIONKIT_GOLDEN_ENTRY(name, path) {#name, path, golden::name##GoldenCalls},
    REGIONKIT_GOLDEN_PLUGINS(REGIONKIT_GOLDEN_ENTRY)
#undef REGIONKIT_GOLDEN_ENTRY
};

bool record(const testsupport::Plugin& plugin, const char* name, Call& c) {
    const testsupport::CallResult r = golden::run(plugin, c);
    if (r.raised) {
        std::fprintf(stderr, "makeGolden: a %s call was refused: %s\n", name, r.message.c_str());
        return false;
    }
    for (std::size_t i = 0; i < c.results.size(); ++i) {
        const mxArray* out = r.out(i);
        if (out == nullptr) {
            std::fprintf(stderr, "makeGolden: a %s call gave no result %zu\n", name, i + 1);
            return false;
        }
        c.results[i] = Matrix{mxGetM(out), mxGetN(out), testsupport::values(out)};
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeGolden <output file>\n");
        return 2;
    }
    try {
        golden::File file;
        std::printf("makeGolden:");
        for (const Plugin& p : plugins) {
            golden::Calls calls;
            p.makeCalls(calls);
            file.functions.push_back(p.name);
            const testsupport::Plugin plugin(p.path);
            for (Call& c : calls.list()) {
                c.function = static_cast<int>(file.functions.size());
                if (!record(plugin, p.name, c)) return 1;
                file.calls.push_back(std::move(c));
            }
            std::printf(" %s %zu,", p.name, calls.list().size());
        }
        const std::vector<unsigned char> bytes = golden::encode(file);
        golden::writeFile(argv[1], bytes);
        std::printf(" %zu calls, %zu bytes, in %s\n", file.calls.size(), bytes.size(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "makeGolden: %s\n", e.what());
        return 1;
    }
    return 0;
}
