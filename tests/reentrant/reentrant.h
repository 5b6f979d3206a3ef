// What the reentrancy suite shares with each plug-in's part of it
// (<plugin>/tests/threadJobs.cpp defines <plugin>ThreadJobs(reentrant::Jobs&,
// std::mt19937&), the calls of its kernels that threads make at once).
#ifndef REGIONKIT_TESTS_REENTRANT_H
#define REGIONKIT_TESTS_REENTRANT_H

#include "bits.h"
#include "isa.h"
#include "levels.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace reentrant {

constexpr int threadCount = 8;

using Values = std::vector<double>;
using testsupport::Rows;

// One call of one kernel on inputs every thread shares read-only; it returns
// what the call wrote.
struct Job {
    std::string name;
    std::function<Values()> run;
};
using Jobs = std::vector<Job>;

using testsupport::levels;
using testsupport::randomBoxes;
using testsupport::randomRows;
using testsupport::spreadValues;

// One job per level this machine runs, named "<what> <level>"; run(level)
// makes the call.
template <class Run>
void eachLevel(Jobs& jobs, const std::string& what, Run run) {
    for (isa::Isa level : levels()) jobs.push_back({what + " " + isa::name(level), [=] { return run(level); }});
}

// Starts `threadCount` threads together and runs body(t) on each.
inline void together(const std::function<void(int)>& body) {
    std::mutex m;
    std::condition_variable go;
    int waiting = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            {
                std::unique_lock<std::mutex> lock(m);
                if (++waiting == threadCount) go.notify_all();
                go.wait(lock, [&] { return waiting == threadCount; });
            }
            body(t);
        });
    for (std::thread& th : threads) th.join();
}

// Shared inputs live as long as the jobs that read them.
template <class T>
std::shared_ptr<const T> share(T value) {
    return std::make_shared<const T>(std::move(value));
}

}  // namespace reentrant

#endif
