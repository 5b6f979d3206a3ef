// What the fuzz harness checks of a completed slideCorr call.
#include "harness.h"

// s = slideCorr(A, K): one column of (M - m + 1) * (N - n + 1) sums.
REGIONKIT_FUZZ_PROMISE(slideCorr, 2, 1, false) {
    const long long across = rows(args[0]) - rows(args[1]) + 1;
    const long long down = cols(args[0]) - cols(args[1]) + 1;
    const long long count = across > 0 && down > 0 ? across * down : 0;
    return expectShape(r.out(0), count, 1);
}
