// What the fuzz harness checks of a completed pairMetric call.
#include "harness.h"

// d = pairMetric(A, B, code): 1 x (rows of A * rows of B).
REGIONKIT_FUZZ_PROMISE(pairMetric, 3, 1, false) {
    return expectShape(r.out(0), 1, rows(args[0]) * rows(args[1]));
}
