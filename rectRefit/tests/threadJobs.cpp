// The kernels of rectRefit in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "reentrant.h"
#include "refitBoxes.h"
#include "rowTable.h"
#include "tiledFill.h"

using namespace reentrant;

void rectRefitThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    std::bernoulli_distribution member(0.3);
    for (std::size_t count : {1u, 12u, 80u}) {
        auto boxes = share(randomBoxes(rng, static_cast<int>(count)));
        auto regions = share(randomBoxes(rng, 37));
        Rows marks(count, Values(37));
        for (Values& row : marks)
            for (double& v : row) v = member(rng) ? 1.0 : 0.0;
        auto members = share(marks);
        jobs.push_back({"refitBoxes " + std::to_string(count), [=] {
                            const auto pb = testhost::rowsOf(*boxes), pr = testhost::rowsOf(*regions),
                                       pm = testhost::rowsOf(*members);
                            Values out(count * 4);
                            refitBoxes(pb.data(), static_cast<std::int32_t>(count), pr.data(), 37, pm.data(), 50, 60,
                                       out.data());
                            return out;
                        }});
    }
    // The tiled copy into a row table, around its block and tile edges; the
    // source holds more rows than are copied.
    const std::int32_t sizes[][2] = {{1, 9}, {9, 1}, {17, 33}, {70, 258}, {130, 70}};
    for (const auto& s : sizes) {
        const std::int32_t rows = s[0], cols = s[1];
        const std::size_t stride = static_cast<std::size_t>(rows) + 3;
        auto data = share(spreadValues(stride * static_cast<std::size_t>(cols), rng, 0.0));
        eachLevel(jobs, "fillRowTableTiledOn " + std::to_string(rows) + "x" + std::to_string(cols), [=](isa::Isa level) {
            gateway::RowTable table = gateway::allocRowTable(rows, cols);
            Values out;
            if (table == nullptr) return out;
            fillRowTableTiledOn(level, table, rows, cols, data->data(), stride);
            for (std::int32_t i = 0; i < rows; ++i) out.insert(out.end(), table[i], table[i] + cols);
            gateway::freeRowTable(table, rows);
            return out;
        });
    }
}
