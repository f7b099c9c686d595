// What the golden traces were made with: the tool in /opt/talun/ with the
// counting image and a settings file that holds nothing, every transfer and
// sleep written into `trace`. Any DeviceAccess goes underneath: the simulated
// mouse in-process, or a driver library against emulated mice.
#pragma once

#include <string>

#include "device/DeviceAccess.h"
#include "device/TransferTrace.h"
#include "testpanel/TestCommands.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeProfileFile.h"
#include "tests/support/GoldenFiles.h"
#include "update/DeviceEvents.h"
#include "update/FirmwareImage.h"
#include "update/ToolState.h"

namespace talun::testing {

class GoldenRun {
  public:
    // A mouse that keeps no time of its own: the run sleeps on a clock of its own.
    explicit GoldenRun(DeviceAccess& mouse) : GoldenRun(mouse, ownClock_) {}
    // A mouse simulated in-process keeps time by the same clock as the tool.
    GoldenRun(DeviceAccess& mouse, FakeClock& mouseClock)
        : clock(mouseClock), device(mouse, clock, sink) {
        state.ProgramDirectory = "/opt/talun/";
    }
    GoldenRun(const GoldenRun&) = delete;
    GoldenRun& operator=(const GoldenRun&) = delete;

    // update-after-plug-in.trace is PlugIn() then Unplug(). PlugIn() gives the
    // update's outcome, before the unplug closes the device.
    UpdateStatus PlugIn() {
        DispatchDeviceEvent(ctx, PlugEventCode(1));
        return state.updateStatus;
    }
    void Unplug() { DispatchDeviceEvent(ctx, PlugEventCode(0)); }

    // test-panel-commands.trace: each test command under its caption, on a device
    // opened once.
    void TestPanelCommands() {
        device.OpenFeatureDevice();
        TestPanelValues values{2, 5};
        for (int command :
             {COMMAND_SEND_PROFILE_ID, COMMAND_QUERY_MAIN_SETTING, COMMAND_QUERY_MACRO,
              COMMAND_ABCD_1_TIMES, COMMAND_AB_2_TIMES, COMMAND_A_DELAY_B, COMMAND_A_TO_Y_1_TIMES,
              COMMAND_CTRL_C, COMMAND_CTRL_V}) {
            trace += std::string("# ") + TestPanelCommandCaption(command) + "\n";
            RunTestPanelCommand(ctx, command, values);
        }
    }

  private:
    FakeClock ownClock_;  // first: the other members may be built on it

  public:
    std::string trace;
    FakeClock& clock;
    TraceSink sink = [this](const std::string& line) { trace += line + "\n"; };
    TracingDeviceAccess device;
    TracingClock tracingClock{clock, sink};
    ToolState state;
    FakeProfileFile profileFile;
    UpdateObserver observer;
    FirmwareImage image = CountingImage();
    CoreContext ctx{state, device, tracingClock, profileFile, image, observer};
};

}  // namespace talun::testing
