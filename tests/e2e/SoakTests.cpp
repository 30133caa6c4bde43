// A long mixed session on one loaded module keeps every handle it is given back; the full-size run
// with its memory figures is the soak benchmark.

#include <gtest/gtest.h>

#include "GSRoot.hpp"
#include "HostHandles.hpp"
#include "SoakSession.hpp"

TEST(Soak, MixedSessionLeavesNoHandleBehind)
{
    // The oldest and the newest build.
    for (int api : {landfetch::HostApiVersions.front(), landfetch::HostApiVersions.back()}) {
        test::ModuleSession module({.api = api, .palette = test::SessionSetup::Palette::ByHost});
        sim::Simulator& sim = module.sim;
        soak::Session session(sim, static_cast<unsigned>(api));
        Int64 handles = -1;
        for (int i = 1; i <= 1500; ++i) {
            const std::string failure = session.Act();
            ASSERT_EQ(failure, "") << "api " << api << ", action " << i;
            if (i == 250)
                handles = BMGetLiveHandleCount();
            if (i > 250 && i % 250 == 0) {
                EXPECT_EQ(BMGetLiveHandleCount(), handles) << "api " << api << ", after action " << i;
            }
        }
        // What the module keeps for the page's life is given back at shut-down.
        sim.Shutdown();
    }
}
