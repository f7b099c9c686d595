// The system menu's About entry and the About box: it opens from the menu's last
// item and from any system command 16 to 31, shows its texts, closes with
// Escape, and the window goes on handling the mouse behind it.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/ToolTest.h"

namespace talun::e2e {
namespace {

using About = ToolTest;

// A system command as the system menu sends it.
void SystemCommand(HWND window, WPARAM command) {
    ::PostMessageA(window, WM_SYSCOMMAND, command, 0);
}

TEST_F(About, MenuTextComesFromString101) {
    const HMODULE module =
        ::LoadLibraryExA(MakeFolder().Program().c_str(), nullptr,
                         LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    char text[64] = {};
    EXPECT_GT(::LoadStringA(module, IDS_ABOUTBOX, text, sizeof text), 0);
    EXPECT_STREQ(text, "&About Korvane");
    ::FreeLibrary(module);
}

TEST_F(About, LastItemOfTheSystemMenuOpensTheBoxAndEscapeClosesIt) {
    ASSERT_NO_FATAL_FAILURE(StartTool());

    // Open the system menu from the keyboard, go up from the first item to the
    // last one (Wine puts an entry of its own before it), choose it.
    ::PostMessageA(Window(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
    ASSERT_NE(Tool().WaitForTopLevel("", "#32768"), nullptr) << "the system menu did not open";
    PressKey(Window(), VK_UP);
    PressKey(Window(), VK_RETURN);

    const HWND about = Tool().WaitForTopLevel(ABOUT_TITLE);
    ASSERT_NE(about, nullptr) << "the menu's last item did not open the About box";
    EXPECT_EQ(::GetWindow(about, GW_OWNER), Window());
    EXPECT_FALSE(::IsWindowEnabled(Window())) << "the main window waits while the box is open";

    // Its controls: icon, name and version, OK.
    const std::vector<HWND> controls = Children(about);
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(::GetWindowLongA(controls[0], GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    EXPECT_EQ(WindowText(controls[1]), "pelloran Version 1.0");
    EXPECT_TRUE(::GetWindowLongA(controls[1], GWL_STYLE) & SS_NOPREFIX) << "& shown as written";
    EXPECT_TRUE(::GetWindowLongA(controls[1], GWL_STYLE) & WS_GROUP);
    EXPECT_EQ(::GetDlgCtrlID(controls[2]), IDOK);
    EXPECT_EQ(WindowText(controls[2]), "OK");
    for (const HWND control : controls) EXPECT_TRUE(::IsWindowVisible(control));
    SaveScreenshot(CaptureWindow(Window()), "about-box-behind");
    SaveScreenshot(CaptureWindow(about), "about-box");

    // Escape closes it, although the main window ignores Escape.
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(about, nullptr), &info));
    PressKey(info.hwndFocus != nullptr ? info.hwndFocus : about, VK_ESCAPE);
    EXPECT_TRUE(Tool().WaitUntilGone(ABOUT_TITLE));
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(Window()) != FALSE; }, WAIT_SHORT_MS));
    EXPECT_TRUE(Tool().Running());
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle, WAIT_SHORT_MS), "");
}

TEST_F(About, AnySystemCommandFrom16To31OpensItAndOkClosesIt) {
    ASSERT_NO_FATAL_FAILURE(StartTool());
    for (const WPARAM command : {WPARAM{16}, WPARAM{23}, WPARAM{31}}) {
        SystemCommand(Window(), command);
        const HWND about = Tool().WaitForTopLevel(ABOUT_TITLE);
        ASSERT_NE(about, nullptr) << "system command " << command;
        ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(Tool().WaitUntilGone(ABOUT_TITLE)) << command;
    }
    // 32 is not the About entry: nothing opens. Posted before a command that
    // does open the box, so that the box's arrival shows that 32 was handled.
    SystemCommand(Window(), 32);
    SystemCommand(Window(), 16);
    const HWND about = Tool().WaitForTopLevel(ABOUT_TITLE);
    ASSERT_NE(about, nullptr);
    int boxes = 0;
    for (const HWND w : Tool().TopLevelWindows())
        if (::IsWindowVisible(w) && WindowText(w) == ABOUT_TITLE) ++boxes;
    EXPECT_EQ(boxes, 1);
}

TEST_F(About, DeviceMessagesAreHandledWhileTheBoxIsOpen) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Sim, "present = 0\n"}));
    SystemCommand(Window(), IDM_ABOUTBOX);
    const HWND about = Tool().WaitForTopLevel(ABOUT_TITLE);
    ASSERT_NE(about, nullptr);

    // The box covers part of HintRect; StatusRect is free.
    Folder().Control("plug");
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Updated, WAIT_RUN_MS, Lines::StatusOnly), "")
        << "the run behind the box";
    EXPECT_EQ(Folder().StateValue("holds_complete_image"), "yes");
    EXPECT_NE(Tool().FindTopLevel(ABOUT_TITLE), nullptr) << "the box stays open";

    ::PostMessageA(about, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Tool().WaitUntilGone(ABOUT_TITLE));
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Updated, WAIT_SHORT_MS), "");
}

}  // namespace
}  // namespace talun::e2e
