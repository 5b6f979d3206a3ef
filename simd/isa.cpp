#include "isa.h"

#if defined(REGIONKIT_ISA_FROM_ENV)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#endif

#if defined(REGIONKIT_X86_64)
#if defined(_MSC_VER)
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace isa {
namespace {

#if defined(REGIONKIT_X86_64)

struct Registers {
    unsigned a, b, c, d;
};

Registers cpuid(unsigned leaf, unsigned sub) {
    Registers r{0, 0, 0, 0};
#if defined(_MSC_VER)
    int v[4];
    __cpuidex(v, static_cast<int>(leaf), static_cast<int>(sub));
    r = {static_cast<unsigned>(v[0]), static_cast<unsigned>(v[1]), static_cast<unsigned>(v[2]),
         static_cast<unsigned>(v[3])};
#else
    // GCC declares the highest leaf unsigned, clang int.
    if (leaf > static_cast<unsigned>(__get_cpuid_max(leaf & 0x80000000u, nullptr))) return r;
    __cpuid_count(leaf, sub, r.a, r.b, r.c, r.d);
#endif
    return r;
}

// The register state the operating system saves on a switch (XCR0). Only
// asked when CPUID says the OS has enabled XGETBV.
unsigned long long savedState() {
#if defined(_MSC_VER)
    return _xgetbv(0);
#else
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
    return (static_cast<unsigned long long>(hi) << 32) | lo;
#endif
}

// The running machine's answers; XCR0 is asked only when CPUID says the OS
// has enabled XGETBV, which otherwise faults.
ProcessorAnswers answers() {
    ProcessorAnswers a{cpuid(1, 0).c, 0, 0};
    if ((a.leaf1Ecx >> 27) & 1u) a.savedState = savedState();
    if (cpuid(0, 0).a >= 7) a.leaf7Ebx = cpuid(7, 0).b;
    return a;
}

// Whether a machine giving these answers runs the level.
bool runs(Isa level, const ProcessorAnswers& a) {
    if (level <= Isa::v128) return true;  // SSE2 is part of x86-64
    const bool osSaves = (a.leaf1Ecx >> 27) & 1u;  // OSXSAVE
    const bool avx = (a.leaf1Ecx >> 28) & 1u;
    if (!osSaves || !avx) return false;
    // SSE and AVX registers (bits 1, 2).
    if ((a.savedState & 0x6u) != 0x6u) return false;
    if (level == Isa::v256) return true;
    const bool avx512f = (a.leaf7Ebx >> 16) & 1u;
    // Opmask, upper halves of ZMM0-15 and ZMM16-31 (bits 5, 6, 7).
    return avx512f && (a.savedState & 0xE0u) == 0xE0u;
}

#endif

constexpr int tagCount = static_cast<int>(sizeof tags / sizeof tags[0]);

// The widest level of the table this machine runs: on x86-64 what its
// answers allow, found by the same walk the tests check against the answers
// of known processors; NEON is part of every arm64 processor, and elsewhere
// the table holds the scalar level alone.
Isa detect() {
#if defined(REGIONKIT_X86_64)
    return widestFor(answers());
#else
    return widestCompiled;
#endif
}

#if defined(REGIONKIT_ISA_FROM_ENV)
// The level REGIONKIT_ISA names; ends the program on a value it does not take,
// so that a test or benchmark never runs quietly at a level nobody asked for.
Isa named(const char* text) {
    for (int k = 0; k < tagCount; ++k)
        if (std::strcmp(text, tags[k]) == 0) return static_cast<Isa>(k);
    for (const Level& level : levels)
        if (std::strcmp(text, level.name) == 0) return level.isa;
    std::fprintf(stderr, "REGIONKIT_ISA=%s is not a vector level of this build; it takes %s", text, tags[0]);
    for (int k = 1; k < tagCount; ++k) std::fprintf(stderr, ", %s", tags[k]);
    for (const Level& level : levels)
        if (std::strcmp(level.name, tags[static_cast<int>(level.isa)]) != 0) std::fprintf(stderr, ", %s", level.name);
    std::fprintf(stderr, " (or nothing, for the widest level the machine runs).\n");
    std::exit(2);
}
#endif

}  // namespace

#if defined(REGIONKIT_X86_64)
Isa widestFor(const ProcessorAnswers& answers) {
    int k = levelCount - 1;
    while (k > 0 && !runs(levels[k].isa, answers)) --k;
    return levels[k].isa;
}
#endif

Isa widest() {
    // Initialized once, under the language's guarantee for local statics.
    static const Isa level = detect();
    return level;
}

Isa choose(Isa asked) {
    const Isa have = widest();
    return asked < have ? asked : have;
}

Isa preferred() {
#if defined(REGIONKIT_ISA_FROM_ENV)
    const char* text = std::getenv("REGIONKIT_ISA");
    if (text != nullptr && *text != '\0') return choose(named(text));
#endif
    return widest();
}

int available(Isa (&found)[levelCount]) {
    int count = 0;
    for (const Level& level : levels)
        if (level.isa <= widest()) found[count++] = level.isa;
    return count;
}

const char* name(Isa level) {
    const int k = static_cast<int>(level);
    if (k >= 0 && k < levelCount) return levels[k].name;
    return k >= 0 && k < tagCount ? tags[k] : "?";
}

}  // namespace isa
