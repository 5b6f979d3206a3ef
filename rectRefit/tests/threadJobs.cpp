// The kernels of rectRefit in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "reentrant.h"
#include "refitBoxes.h"

using namespace regionkit;

using namespace reentrant;

namespace {

// Rows laid out column-major, as the host holds a matrix.
Values columns(const Rows& rows) {
    const std::size_t n = rows.size(), width = n == 0 ? 0 : rows[0].size();
    Values data(n * width);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t c = 0; c < width; ++c) data[i + c * n] = rows[i][c];
    return data;
}

}  // namespace

void rectRefitThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    std::bernoulli_distribution member(0.3);
    for (std::size_t count : {1u, 12u, 80u}) {
        auto boxes = share(columns(randomBoxes(rng, static_cast<int>(count))));
        auto regions = share(columns(randomBoxes(rng, 37)));
        // One row more than there are boxes: the walk steps over it.
        Rows marks(count + 1, Values(37));
        for (Values& row : marks)
            for (double& v : row) v = member(rng) ? 1.0 : 0.0;
        auto members = share(columns(marks));
        eachLevel(jobs, "refitBoxesOn " + std::to_string(count), [=](isa::Isa level) {
            Values out(count * 4);
            refitBoxesOn(level, boxes->data(), static_cast<std::int32_t>(count), regions->data(), 37, members->data(),
                         count + 1, 50, 60, out.data());
            return out;
        });
    }
}
