// The kernels of coverTest in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "coverFlags.h"
#include "reentrant.h"

using namespace reentrant;

void coverTestThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    auto regions = share(randomBoxes(rng, 37));
    for (std::size_t count : {1u, 3u, 255u, 256u, 257u, 600u}) {
        auto boxes = share(randomBoxes(rng, static_cast<int>(count)));
        eachLevel(jobs, "coverFlagsOn " + std::to_string(count), [=](isa::Isa level) {
            const auto pr = testhost::rowsOf(*regions), pb = testhost::rowsOf(*boxes);
            Values out(count * 37);
            coverFlagsOn(level, pr.data(), 37, pb.data(), static_cast<std::int32_t>(count), out.data());
            return out;
        });
    }
}
