// The complete traffic of one update, from the plug event on, against the
// simulated mouse: every report, every status read, every sleep. Any change to
// what goes to the mouse shows up here and must be made on purpose:
//   TALUN_REGENERATE_GOLDEN=1 ./core_sim_tests --gtest_filter='GoldenTrace*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "driver/sim/SimDeviceAccess.h"
#include "driver/sim/SimMouse.h"
#include "tests/support/GoldenRun.h"

namespace talun {
namespace {

class GoldenTrace : public ::testing::Test {
  protected:
    void Compare(const std::string& name, const std::string& actual) {
        const std::string path = testing::GoldenPath(name);
        if (std::getenv("TALUN_REGENERATE_GOLDEN")) {
            std::ofstream(path, std::ios::binary) << actual;
            GTEST_SKIP() << "rewrote " << path;
        }
        const std::string expected = testing::ReadGolden(name);
        ASSERT_FALSE(expected.empty()) << "missing golden file " << path;
        if (expected == actual) return;
        // Point at the first line that differs.
        std::istringstream e(expected), a(actual);
        std::string le, la;
        for (int line = 1;; ++line) {
            const bool moreE = static_cast<bool>(std::getline(e, le));
            const bool moreA = static_cast<bool>(std::getline(a, la));
            if (!moreE && !moreA) break;
            ASSERT_EQ(le, la) << name << " differs first at line " << line;
        }
    }

    testing::FakeClock clock;
    sim::SimMouse mouse{clock};
    sim::SimDeviceAccess simDevice{mouse};
    testing::GoldenRun run{simDevice, clock};
};

TEST_F(GoldenTrace, UpdateAfterPlugIn) {
    ASSERT_EQ(run.PlugIn(), UpdateStatus::Updated);
    run.Unplug();
    Compare("update-after-plug-in.trace", run.trace);
}

TEST_F(GoldenTrace, TestPanelCommands) {
    run.TestPanelCommands();
    Compare("test-panel-commands.trace", run.trace);
}

}  // namespace
}  // namespace talun
