// The kernels of rectCull in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "cullBoxes.h"
#include "reentrant.h"

using namespace regionkit;

using namespace reentrant;

void rectCullThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    std::uniform_int_distribution<int> at(0, 400), size(-20, 90), score(0, 50);
    // Up to 64 boxes, or a threshold at or below 0, take the plain walk; more
    // boxes at a positive threshold take the grid.
    for (std::size_t count : {10u, 64u, 65u, 400u}) {
        BoxList boxes;
        for (std::size_t i = 0; i < count; ++i)
            boxes.push_back({at(rng), at(rng), size(rng), size(rng), static_cast<float>(score(rng))});
        auto input = share(boxes);
        for (float threshold : {-0.2f, 0.0f, 0.3f, 0.7f, 0.95f}) {
            jobs.push_back({"cullBoxes " + std::to_string(count) + " at " + std::to_string(threshold), [=] {
                                BoxList candidates = *input, kept;
                                cullBoxes(candidates, threshold, kept);
                                Values out;
                                for (const ScoredBox& b : kept) out.insert(out.end(), {double(b.x), double(b.y),
                                                                                       double(b.w), double(b.h),
                                                                                       double(b.score)});
                                return out;
                            }});
        }
    }
}
