// What the fuzz harness checks of a completed rectRefit call.
#include "harness.h"

// refit = rectRefit(boxes, regionBoxes, membership, height, width): shaped like boxes.
REGIONKIT_FUZZ_PROMISE(rectRefit, 5, 1, false) {
    return expectShape(r.out(0), rows(args[0]), cols(args[0]));
}
