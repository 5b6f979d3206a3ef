#include "isa.h"

#if defined(REGIONKIT_ISA_FROM_ENV)
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
    if (leaf > __get_cpuid_max(leaf & 0x80000000u, nullptr)) return r;
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

Isa detect() {
    const Registers one = cpuid(1, 0);
    const bool osSaves = (one.c >> 27) & 1u;  // OSXSAVE
    const bool avx = (one.c >> 28) & 1u;
    if (!osSaves || !avx) return Isa::v128;
    const unsigned long long state = savedState();
    // SSE and AVX registers (bits 1, 2).
    if ((state & 0x6u) != 0x6u) return Isa::v128;
    const Registers seven = cpuid(0, 0).a >= 7 ? cpuid(7, 0) : Registers{0, 0, 0, 0};
    const bool avx512f = (seven.b >> 16) & 1u;
    // Opmask, upper halves of ZMM0-15 and ZMM16-31 (bits 5, 6, 7).
    if (avx512f && (state & 0xE0u) == 0xE0u) return Isa::v512;
    return Isa::v256;
}

#elif defined(REGIONKIT_ARM64)

// NEON is part of every arm64 processor.
Isa detect() { return Isa::v128; }

#else

Isa detect() { return Isa::scalar; }

#endif

}  // namespace

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
    if (const char* text = std::getenv("REGIONKIT_ISA")) {
        static const char* const names[] = {"scalar", "v128", "v256", "v512"};
        for (int k = 0; k < 4; ++k)
            if (std::strcmp(text, names[k]) == 0) return choose(static_cast<Isa>(k));
    }
#endif
    return widest();
}

int available(Isa (&levels)[4]) {
    int count = 0;
    for (int k = 0; k <= static_cast<int>(widest()); ++k) levels[count++] = static_cast<Isa>(k);
    return count;
}

const char* name(Isa level) {
    switch (level) {
    case Isa::scalar: return "scalar";
#if defined(REGIONKIT_ARM64)
    case Isa::v128: return "neon";
#else
    case Isa::v128: return "sse2";
#endif
    case Isa::v256: return "avx";
    case Isa::v512: return "avx512";
    }
    return "scalar";
}

}  // namespace isa
