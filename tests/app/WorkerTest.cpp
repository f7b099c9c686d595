// The device works on its own thread: the window answers, paints and opens the
// About box during a long run, and a close asked for meanwhile waits for the
// run's end.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/ToolTest.h"

namespace talun::e2e {
namespace {

using Worker = ToolTest;

// Every report is answered Busy twice before Done: the run takes many seconds.
constexpr char SLOW_MOUSE[] = "present = 0\nbusy_polls = *:2\n";

TEST_F(Worker, TheWindowAnswersDuringALongRunAndACloseWaitsForItsEnd) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Sim, SLOW_MOUSE}));

    Folder().Control("plug");
    ASSERT_EQ(WaitForStatusArea(Window(), Shown::Updating), "");

    // Mid-run: the window answers at once and opens the About box.
    EXPECT_TRUE(Tool().Answers(1000));
    ::PostMessageA(Window(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const HWND about = Tool().WaitForTopLevel(ABOUT_TITLE);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(CompareStatusArea(Window(), Shown::Updating, Lines::StatusOnly), "");
    ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(Tool().WaitUntilGone(ABOUT_TITLE));

    // A close now must not cut the run short.
    ASSERT_EQ(Folder().StateValue("commits_0x08"), "0") << "the run ended too soon for this test";
    ::PostMessageA(Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(Tool().Answers(1000));
    EXPECT_TRUE(Tool().Running());
    ASSERT_TRUE(Tool().WaitForExit(WAIT_RUN_MS));
    EXPECT_EQ(Folder().StateValue("holds_complete_image"), "yes");
    EXPECT_EQ(Folder().StateValue("holds_default_settings_2"), "yes");
    EXPECT_EQ(Folder().StateValue("commits_0x08"), "1");
}

TEST_F(Worker, TheWaitCursorShowsOverTheWindowDuringTheRun) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Sim, SLOW_MOUSE}));

    // The cursor the tool shows over its window. Cursor handles differ from one
    // program to the next, so the test compares the tool's own cursors: the one
    // it shows at rest, and another one during the run.
    RECT client{};
    ::GetClientRect(Window(), &client);
    POINT middle{client.right / 2, STATUS_RECT.top + 10};
    ::ClientToScreen(Window(), &middle);
    ::SetCursorPos(middle.x, middle.y);
    const auto shown = [] {
        CURSORINFO info{};
        info.cbSize = sizeof info;
        return ::GetCursorInfo(&info) ? info.hCursor : nullptr;
    };
    HCURSOR atRest = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (atRest = shown()) != nullptr; }, WAIT_SHORT_MS));

    Folder().Control("plug");
    ASSERT_EQ(WaitForStatusArea(Window(), Shown::Updating), "");
    EXPECT_TRUE(WaitFor([&] { return shown() != atRest; }, WAIT_SHORT_MS))
        << "no wait cursor during the run";
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Updated), "");
    EXPECT_TRUE(WaitFor([&] { return shown() == atRest; }, WAIT_SHORT_MS))
        << "the wait cursor stays after the run";
}

}  // namespace
}  // namespace talun::e2e
