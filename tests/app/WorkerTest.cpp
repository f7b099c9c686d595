// The device works on its own thread: the window answers, paints and opens the
// About box during a long run, and a close asked for meanwhile waits for the
// run's end.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/app/e2e/Files.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/Tool.h"
#include "tests/app/e2e/ToolTest.h"

namespace talun::e2e {
namespace {

using Worker = ToolTest;

// Every report is answered Busy twice before Done: the run takes many seconds.
constexpr char SLOW_MOUSE[] = "present = 0\nbusy_polls = *:2\n";

TEST_F(Worker, TheWindowAnswersDuringALongRunAndACloseWaitsForItsEnd) {
    ToolFolder folder(Name(), {Driver::Sim, SLOW_MOUSE});
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    folder.Control("plug");
    ASSERT_EQ(WaitForStatusArea(window, Shown::Updating), "");

    // Mid-run: the window answers at once and opens the About box.
    EXPECT_TRUE(tool.Answers(1000));
    ::PostMessageA(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (about = tool.FindTopLevel(ABOUT_TITLE)) != nullptr; },
                        WAIT_SHORT_MS));
    EXPECT_EQ(CompareStatusArea(window, Shown::Updating, Lines::StatusOnly), "");
    ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return tool.FindTopLevel(ABOUT_TITLE) == nullptr; }, WAIT_SHORT_MS));

    // A close now must not cut the run short.
    ASSERT_EQ(folder.StateValue("commits_0x08"), "0") << "the run ended too soon for this test";
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(tool.Answers(1000));
    EXPECT_TRUE(tool.Running());
    ASSERT_TRUE(tool.WaitForExit(WAIT_RUN_MS));
    EXPECT_EQ(folder.StateValue("holds_complete_image"), "yes");
    EXPECT_EQ(folder.StateValue("holds_default_settings_2"), "yes");
    EXPECT_EQ(folder.StateValue("commits_0x08"), "1");
}

TEST_F(Worker, TheWaitCursorShowsOverTheWindowDuringTheRun) {
    ToolFolder folder(Name(), {Driver::Sim, SLOW_MOUSE});
    ToolProcess tool(folder.Program());
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr);

    // The cursor the tool shows over its window. Cursor handles differ from one
    // program to the next, so the test compares the tool's own cursors: the one
    // it shows at rest, and another one during the run.
    RECT client{};
    ::GetClientRect(window, &client);
    POINT middle{client.right / 2, STATUS_RECT.top + 10};
    ::ClientToScreen(window, &middle);
    ::SetCursorPos(middle.x, middle.y);
    const auto shown = [] {
        CURSORINFO info{};
        info.cbSize = sizeof info;
        return ::GetCursorInfo(&info) ? info.hCursor : nullptr;
    };
    HCURSOR atRest = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (atRest = shown()) != nullptr; }, WAIT_SHORT_MS));

    folder.Control("plug");
    ASSERT_EQ(WaitForStatusArea(window, Shown::Updating), "");
    EXPECT_TRUE(WaitFor([&] { return shown() != atRest; }, WAIT_SHORT_MS))
        << "no wait cursor during the run";
    EXPECT_EQ(WaitForStatusArea(window, Shown::Updated), "");
    EXPECT_TRUE(WaitFor([&] { return shown() == atRest; }, WAIT_SHORT_MS))
        << "the wait cursor stays after the run";
}

}  // namespace
}  // namespace talun::e2e
