// The complete traffic of one update, from the plug event on, against the
// simulated mouse: every report, every status read, every sleep. Any change to
// what goes to the mouse shows up here and must be made on purpose:
//   TALUN_REGENERATE_GOLDEN=1 ./core_sim_tests --gtest_filter='GoldenTrace*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Fakes.h"
#include "GoldenFiles.h"
#include "device/TransferTrace.h"
#include "driver/sim/SimDeviceAccess.h"
#include "driver/sim/SimMouse.h"
#include "testpanel/TestCommands.h"
#include "update/DeviceEvents.h"

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

    std::string trace;
    testing::FakeClock clock;
    TraceSink sink = [this](const std::string& line) { trace += line + "\n"; };
    sim::SimMouse mouse{clock};
    sim::SimDeviceAccess simDevice{mouse};
    TracingDeviceAccess device{simDevice, clock, sink};
    TracingClock tracingClock{clock, sink};
    ToolState state;
    testing::FakeProfileFile profileFile;
    UpdateObserver observer;
    FirmwareImage image = testing::CountingImage();
    CoreContext ctx{state, device, tracingClock, profileFile, image, observer};
};

TEST_F(GoldenTrace, UpdateAfterPlugIn) {
    state.ProgramDirectory = "/opt/talun/";
    DispatchDeviceEvent(ctx, PlugEventCode(1));
    ASSERT_EQ(state.updateStatus, UpdateStatus::Updated);
    DispatchDeviceEvent(ctx, PlugEventCode(0));
    Compare("update-after-plug-in.trace", trace);
}

TEST_F(GoldenTrace, TestPanelCommands) {
    device.OpenFeatureDevice();
    TestPanelValues values{2, 5};
    for (int command : {COMMAND_SEND_PROFILE_ID, COMMAND_QUERY_MAIN_SETTING, COMMAND_QUERY_MACRO,
                        COMMAND_ABCD_1_TIMES, COMMAND_AB_2_TIMES, COMMAND_A_DELAY_B,
                        COMMAND_A_TO_Y_1_TIMES, COMMAND_CTRL_C, COMMAND_CTRL_V}) {
        trace += std::string("# ") + TestPanelCommandCaption(command) + "\n";
        RunTestPanelCommand(ctx, command, values);
    }
    Compare("test-panel-commands.trace", trace);
}

}  // namespace
}  // namespace talun
