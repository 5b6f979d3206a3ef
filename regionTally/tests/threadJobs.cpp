// The kernels of regionTally in the reentrancy suite: calls that many threads make at
// once, each of which must give the one-thread bits.
#include "reentrant.h"
#include "tallyWords.h"

using namespace regionkit;

using namespace reentrant;

void regionTallyThreadJobs(reentrant::Jobs& jobs, std::mt19937& rng) {
    // Small tables, and one too large to stay in cache, which a working table may count into.
    const std::int32_t shapes[][4] = {{50, 3, 4, 5}, {1000, 2, 30, 20}, {4000, 3, 600, 700}};
    for (const auto& s : shapes) {
        const std::int32_t n = s[0], k = s[1], words = s[2], regions = s[3];
        std::uniform_int_distribution<int> word(1, words), region(0, regions);
        Values w(static_cast<std::size_t>(n)), r(static_cast<std::size_t>(n) * static_cast<std::size_t>(k));
        for (double& v : w) v = word(rng);
        for (double& v : r) v = region(rng);
        auto wordMap = share(w);
        auto index = share(r);
        const std::size_t cells = static_cast<std::size_t>(words) * static_cast<std::size_t>(regions);
        for (bool withWork : {false, true})
            jobs.push_back({"tallyWords " + std::to_string(words) + "x" + std::to_string(regions) +
                                (withWork ? " with work" : ""),
                            [=] {
                                Values out(cells + static_cast<std::size_t>(words));
                                std::vector<unsigned char> work(withWork ? tallyWorkBytes(n, k, words, regions) : 0);
                                const TallyFault fault =
                                    tallyWords(wordMap->data(), n, index->data(), k, words, regions, out.data(),
                                               out.data() + cells, work.empty() ? nullptr : work.data());
                                out.push_back(fault.kind);
                                return out;
                            }});
    }
}
