// What the harness checks of the planted-fault plug-in.
#include "harness.h"

// y = faulty(mode): the harness's own planted-fault plug-in, 1 x 1.
REGIONKIT_FUZZ_PROMISE(faulty, 1, 1, false) {
    return expectShape(r.out(0), 1, 1);
}
