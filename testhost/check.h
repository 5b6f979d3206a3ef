// What every entry test checks of a call through the stand-in host.
#ifndef REGIONKIT_TESTHOST_CHECK_H
#define REGIONKIT_TESTHOST_CHECK_H

#include "host.h"

#include <gtest/gtest.h>

#include <vector>

namespace testhost {

#ifdef REGIONKIT_PLUGIN_PATH
// The plug-in under test, built against the stand-in host.
inline const Plugin& plugin() {
    static const Plugin p(REGIONKIT_PLUGIN_PATH);
    return p;
}
#endif

// Nothing changed in the arguments and nothing left behind.
inline void expectClean(const CallResult& r) {
    EXPECT_TRUE(r.argumentsUnchanged);
    EXPECT_EQ(r.leakedArrays, 0u);
    EXPECT_EQ(r.leakedAllocations, 0u);
}

struct BadCall {
    int nlhs;
    std::vector<const mxArray*> args;
    const char* id;
};

// Each call is refused with its identifier and a message, cleanly, before the
// plug-in has allocated anything.
inline void expectRefused(const Plugin& p, const std::vector<BadCall>& calls) {
    for (const BadCall& c : calls) {
        const CallResult r = p.call(c.nlhs, c.args);
        EXPECT_TRUE(r.raised) << c.id;
        EXPECT_EQ(r.id, c.id);
        EXPECT_FALSE(r.message.empty()) << c.id;
        EXPECT_EQ(r.allocations, 0u) << c.id;
        expectClean(r);
    }
}

}  // namespace testhost

#endif
