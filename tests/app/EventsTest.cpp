// The mouse's plug and input messages, the update button and "Re-Test", seen on
// the window: what it paints, and what reached the simulated mouse.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/app/e2e/Files.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/Tool.h"
#include "tests/app/e2e/ToolTest.h"
#include "tests/app/e2e/Transfers.h"

namespace talun::e2e {
namespace {

using Events = ToolTest;

constexpr char ABSENT_AT_START[] = "present = 0\n";
constexpr ULONGLONG ATTACH_SETTLE_MS = 1500;
constexpr uint8_t REPORT_FIRMWARE_CHUNK = 0x2A;

TEST_F(Events, PlugInRunsTheUpdateAfterASettlingPauseAndUnplugClearsIt) {
    ToolFolder folder(Name(), {Driver::Sim, ABSENT_AT_START});
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WaitForStatusArea(window, Shown::Idle, WAIT_SHORT_MS), "");

    const ULONGLONG plugged = ::GetTickCount64();
    folder.Control("plug");
    ASSERT_FALSE(WaitForTrace(folder, 1, WAIT_RUN_MS).empty()) << "nothing reached the mouse";
    EXPECT_GE(::GetTickCount64() - plugged, ATTACH_SETTLE_MS) << "the first report came too soon";

    EXPECT_EQ(WaitForStatusArea(window, Shown::Updating), "");
    SaveScreenshot(CaptureWindow(window), "updating");
    EXPECT_EQ(WaitForStatusArea(window, Shown::Updated), "");
    SaveScreenshot(CaptureWindow(window), "updated");
    EXPECT_EQ(folder.StateValue("holds_complete_image"), "yes");
    EXPECT_EQ(folder.StateValue("holds_default_settings_2"), "yes");

    folder.Control("unplug");
    EXPECT_EQ(WaitForStatusArea(window, Shown::Idle, WAIT_SHORT_MS), "") << "unplug clears it";
}

TEST_F(Events, TheButtonWithoutAMouseShowsNotUpdatedAndTheHint) {
    ToolFolder folder(Name(), {Driver::Sim, ABSENT_AT_START});
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    // Without a mouse every write fails at once: "UPDATING...." shows only for
    // an instant (see the slow runs for it).
    tool.Click(IDC_UPDATE_FIRMWARE);
    EXPECT_EQ(WaitForStatusArea(window, Shown::NotUpdated), "");
    SaveScreenshot(CaptureWindow(window), "not-updated");
    EXPECT_EQ(folder.StateValue("writes_0x2A"), "0");
    const size_t firstRun = folder.Trace().size();
    EXPECT_GT(firstRun, 0u) << "the run tried the mouse";

    // "Re-Test" clears it; a second press runs again and ends the same way.
    tool.Click(IDC_RETEST);
    EXPECT_EQ(WaitForStatusArea(window, Shown::Idle, WAIT_SHORT_MS), "");
    tool.Click(IDC_UPDATE_FIRMWARE);
    EXPECT_EQ(WaitForStatusArea(window, Shown::NotUpdated), "");
    EXPECT_TRUE(WaitFor([&] { return folder.Trace().size() >= 2 * firstRun; }, WAIT_SHORT_MS))
        << "the second run tried the mouse again";
}

TEST_F(Events, ReTestClearsTheResultAndTheMouseStaysAttached) {
    ToolFolder folder(Name(), {Driver::Sim, ABSENT_AT_START});
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    folder.Control("plug");
    ASSERT_EQ(WaitForStatusArea(window, Shown::Updated), "");
    const Transfers run = folder.Trace();
    ASSERT_EQ(CountWrites(run, REPORT_FIRMWARE_CHUNK), 3);

    tool.Click(IDC_RETEST);
    EXPECT_EQ(WaitForStatusArea(window, Shown::Idle, WAIT_SHORT_MS), "");

    // Still attached: another attach message does nothing. "Send Profile Id",
    // queued behind it, shows by its report that the attach was handled first.
    folder.Control("plug-message 1");
    folder.Control("input 0xE000 3");
    tool.Click(IDC_SEND_PROFILE_ID);
    const Transfers after = WaitForTrace(folder, run.size() + 1, WAIT_RUN_MS);
    ASSERT_GT(after.size(), run.size());
    EXPECT_EQ(ToHex(after[run.size()].bytes), "05 03 00");
    EXPECT_EQ(CountWrites(after, REPORT_FIRMWARE_CHUNK), 3) << "no second update";
    EXPECT_EQ(CompareStatusArea(window, Shown::Idle), "");
}

TEST_F(Events, InputMessagesOfThePlugClassActAsPlugEvents) {
    // The mouse is there at start: attached, not updated.
    ToolFolder folder(Name());
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    folder.Control("plug-message 7");  // neither attach nor detach
    folder.Control("input 0xE000 5");  // a button: nothing
    folder.Control("plug-message 1");  // attach while attached: nothing
    tool.Click(IDC_SEND_PROFILE_ID);
    Transfers trace = WaitForTrace(folder, 1, WAIT_RUN_MS);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(ToHex(trace[0].bytes), "05 03 00") << "no update ran before the command";

    folder.Control("input 0x7F00 2");  // detach
    folder.Control("input 0x7F00 1");  // attach: the update runs
    EXPECT_EQ(WaitForStatusArea(window, Shown::Updated), "");
    EXPECT_EQ(CountWrites(folder.Trace(), REPORT_FIRMWARE_CHUNK), 3);
}

TEST_F(Events, AnUnplugDuringTheRunClearsTheWindowRightAfterIt) {
    // Slow acknowledgements keep the run going while the mouse is pulled.
    ToolFolder folder(Name(), {Driver::Sim, "present = 0\nbusy_polls = 0x2A:1\n"});
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    folder.Control("plug");
    ASSERT_EQ(WaitForStatusArea(window, Shown::Updating), "");
    folder.Control("unplug");
    EXPECT_EQ(WaitForStatusArea(window, Shown::Idle), "");
    EXPECT_NE(folder.StateValue("holds_complete_image"), "yes");
}

TEST_F(Events, ASecondMouseLeavingIsNoUnplugOfTheOneBeingUpdated) {
    // Two simulated mice; the files are slot 0's, the mouse the window updates.
    ToolFolder folder(Name(), {Driver::Sim, "mice = 2\npresent = 0\nbusy_polls = 0x2A:1\n"});
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    folder.Control("plug 0");
    ASSERT_EQ(WaitForStatusArea(window, Shown::Updating), "");
    folder.Control("plug 1");
    folder.Control("unplug 1");
    folder.Control("plug-message 1 0");  // taken after an unplug, this would update again
    EXPECT_EQ(WaitForStatusArea(window, Shown::Updated), "");
    // A close lets every event posted before it finish its work.
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(tool.WaitForExit(WAIT_RUN_MS));
    EXPECT_EQ(CountWrites(folder.Trace(), REPORT_FIRMWARE_CHUNK), 3);
    EXPECT_EQ(folder.StateValue("holds_complete_image"), "yes");
}

}  // namespace
}  // namespace talun::e2e
