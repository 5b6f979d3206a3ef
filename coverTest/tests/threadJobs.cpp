// The kernels of coverTest in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "coverFlags.h"
#include "reentrant.h"

using namespace regionkit;

using namespace reentrant;

void coverTestThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    auto regions = share(randomBoxes(rng, 37));
    for (std::size_t count : {1u, 3u, 255u, 256u, 257u, 600u}) {
        auto boxes = share(randomBoxes(rng, static_cast<int>(count)));
        eachLevel(jobs, "coverFlagsOn " + std::to_string(count), [=](isa::Isa level) {
            const auto cr = testsupport::columnsOf(*regions), cb = testsupport::columnsOf(*boxes);
            Values out(count * 37);
            coverFlagsOn(level, cr.data(), 37, cb.data(), static_cast<std::int32_t>(count), out.data());
            return out;
        });
    }
}
