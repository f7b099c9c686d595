// The mouse's plug and input messages, the update button and "Re-Test", seen on
// the window: what it paints, and what reached the simulated mouse.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/ToolTest.h"
#include "tests/app/e2e/Transfers.h"

namespace talun::e2e {
namespace {

using Events = ToolTest;

constexpr char ABSENT_AT_START[] = "present = 0\n";
constexpr ULONGLONG ATTACH_SETTLE_MS = 1500;
constexpr uint8_t REPORT_FIRMWARE_CHUNK = 0x2A;

TEST_F(Events, PlugInRunsTheUpdateAfterASettlingPauseAndUnplugClearsIt) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Sim, ABSENT_AT_START}));
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle, WAIT_SHORT_MS), "");

    const ULONGLONG plugged = ::GetTickCount64();
    Folder().Control("plug");
    ASSERT_FALSE(WaitForTrace(Folder(), 1, WAIT_RUN_MS).empty()) << "nothing reached the mouse";
    EXPECT_GE(::GetTickCount64() - plugged, ATTACH_SETTLE_MS) << "the first report came too soon";

    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Updating), "");
    SaveScreenshot(CaptureWindow(Window()), "updating");
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Updated), "");
    SaveScreenshot(CaptureWindow(Window()), "updated");
    EXPECT_EQ(Folder().StateValue("holds_complete_image"), "yes");
    EXPECT_EQ(Folder().StateValue("holds_default_settings_2"), "yes");

    Folder().Control("unplug");
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle, WAIT_SHORT_MS), "") << "unplug clears it";
}

TEST_F(Events, TheButtonWithoutAMouseShowsNotUpdatedAndTheHint) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Sim, ABSENT_AT_START}));

    // Without a mouse every write fails at once: "UPDATING...." shows only for
    // an instant (see the slow runs for it).
    Tool().Click(IDC_UPDATE_FIRMWARE);
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::NotUpdated), "");
    SaveScreenshot(CaptureWindow(Window()), "not-updated");
    EXPECT_EQ(Folder().StateValue("writes_0x2A"), "0");
    const size_t firstRun = Folder().Trace().size();
    EXPECT_GT(firstRun, 0u) << "the run tried the mouse";

    // "Re-Test" clears it; a second press runs again and ends the same way.
    Tool().Click(IDC_RETEST);
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle, WAIT_SHORT_MS), "");
    Tool().Click(IDC_UPDATE_FIRMWARE);
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::NotUpdated), "");
    EXPECT_TRUE(WaitFor([&] { return Folder().Trace().size() >= 2 * firstRun; }, WAIT_SHORT_MS))
        << "the second run tried the mouse again";
}

TEST_F(Events, ReTestClearsTheResultAndTheMouseStaysAttached) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Sim, ABSENT_AT_START}));
    Folder().Control("plug");
    ASSERT_EQ(WaitForStatusArea(Window(), Shown::Updated), "");
    const Transfers run = Folder().Trace();
    ASSERT_EQ(CountWrites(run, REPORT_FIRMWARE_CHUNK), 3);

    Tool().Click(IDC_RETEST);
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle, WAIT_SHORT_MS), "");

    // Still attached: another attach message does nothing. "Send Profile Id",
    // queued behind it, shows by its report that the attach was handled first.
    Folder().Control("plug-message 1");
    Folder().Control("input 0xE000 3");
    Tool().Click(IDC_SEND_PROFILE_ID);
    const Transfers after = WaitForTrace(Folder(), run.size() + 1, WAIT_RUN_MS);
    ASSERT_GT(after.size(), run.size());
    EXPECT_EQ(ToHex(after[run.size()].bytes), "05 03 00");
    EXPECT_EQ(CountWrites(after, REPORT_FIRMWARE_CHUNK), 3) << "no second update";
    EXPECT_EQ(CompareStatusArea(Window(), Shown::Idle), "");
}

TEST_F(Events, InputMessagesOfThePlugClassActAsPlugEvents) {
    // The mouse is there at start: attached, not updated.
    ASSERT_NO_FATAL_FAILURE(StartTool());

    Folder().Control("plug-message 7");  // neither attach nor detach
    Folder().Control("input 0xE000 5");  // a button: nothing
    Folder().Control("plug-message 1");  // attach while attached: nothing
    Tool().Click(IDC_SEND_PROFILE_ID);
    Transfers trace = WaitForTrace(Folder(), 1, WAIT_RUN_MS);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(ToHex(trace[0].bytes), "05 03 00") << "no update ran before the command";

    Folder().Control("input 0x7F00 2");  // detach
    Folder().Control("input 0x7F00 1");  // attach: the update runs
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Updated), "");
    EXPECT_EQ(CountWrites(Folder().Trace(), REPORT_FIRMWARE_CHUNK), 3);
}

TEST_F(Events, AnUnplugDuringTheRunClearsTheWindowRightAfterIt) {
    // Slow acknowledgements keep the run going while the mouse is pulled.
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Sim, "present = 0\nbusy_polls = 0x2A:1\n"}));
    Folder().Control("plug");
    ASSERT_EQ(WaitForStatusArea(Window(), Shown::Updating), "");
    Folder().Control("unplug");
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle), "");
    EXPECT_NE(Folder().StateValue("holds_complete_image"), "yes");
}

TEST_F(Events, ASecondMouseLeavingIsNoUnplugOfTheOneBeingUpdated) {
    // Two simulated mice; the files are slot 0's, the mouse the window updates.
    ASSERT_NO_FATAL_FAILURE(
        StartTool({Driver::Sim, "mice = 2\npresent = 0\nbusy_polls = 0x2A:1\n"}));
    Folder().Control("plug 0");
    ASSERT_EQ(WaitForStatusArea(Window(), Shown::Updating), "");
    Folder().Control("plug 1");
    Folder().Control("unplug 1");
    Folder().Control("plug-message 1 0");  // taken after an unplug, this would update again
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Updated), "");
    // A close lets every event posted before it finish its work.
    ::PostMessageA(Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(Tool().WaitForExit(WAIT_RUN_MS));
    EXPECT_EQ(CountWrites(Folder().Trace(), REPORT_FIRMWARE_CHUNK), 3);
    EXPECT_EQ(Folder().StateValue("holds_complete_image"), "yes");
}

}  // namespace
}  // namespace talun::e2e
