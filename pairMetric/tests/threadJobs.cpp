// The kernels of pairMetric in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "distanceTable.h"
#include "reentrant.h"

using namespace regionkit;

using namespace reentrant;

void pairMetricThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    const std::int32_t shapes[][3] = {{1, 1, 3}, {3, 5, 8}, {7, 17, 33}, {9, 33, 64}, {70, 19, 300}};
    for (const auto& s : shapes) {
        const std::int32_t m = s[0], r = s[1], n = s[2];
        auto a = share(randomRows(rng, m, n, false));
        auto b = share(randomRows(rng, r, n + 1, false));
        for (double code : {1.0, 2.0})
            // As the entry fills it: from the columns where vectors run, else over row tables.
            eachLevel(jobs, "fillDistanceTable " + std::to_string(m) + "x" + std::to_string(r) + "x" + std::to_string(n),
                      [=](isa::Isa level) {
                          Values out(static_cast<std::size_t>(m) * static_cast<std::size_t>(r));
                          const auto ca = testsupport::columnsOf(*a, n), cb = testsupport::columnsOf(*b, n + 1);
                          if (!fillDistanceTableFromColumns(level, ca.data(), m, n, cb.data(), r, code, out.data())) {
                              const auto pa = testsupport::rowsOf(*a), pb = testsupport::rowsOf(*b);
                              fillDistanceTable(pa.data(), m, n, pb.data(), r, code, out.data());
                          }
                          return out;
                      });
    }
}
