// Start-up of the window: what it shows, which controls exist and which show,
// the system menu, the device opened, and no update at start.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "resources/resource.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/ToolTest.h"
#include "tests/app/e2e/Transfers.h"

namespace talun::e2e {
namespace {

using Startup = ToolTest;

// The hidden command buttons and their captions.
const std::map<int, std::string> HIDDEN_BUTTONS = {
    {IDC_SEND_PROFILE_ID, "Send Profile Id"},
    {IDC_QUERY_MAIN_SETTING, "Query Main Setting"},
    {IDC_QUERY_MACRO, "Query Macro"},
    {IDC_ABCD_1_TIMES, "ABCD(1 Times)"},
    {IDC_AB_2_TIMES, "AB (2 Times)"},
    {IDC_A_DELAY_B, "A(Delay)B"},
    {IDC_A_TO_Y_1_TIMES, "A...Y(1 Times)"},
    {IDC_CTRL_C, "Ctrl + C"},
    {IDC_CTRL_V, "Ctrl + V"},
    {IDC_RETEST, "Re-Test"},
};

TEST_F(Startup, ShowsTitlePictureTwoButtonsAndNothingElse) {
    ASSERT_NO_FATAL_FAILURE(StartTool());

    const LONG style = ::GetWindowLongA(Window(), GWL_STYLE);
    const LONG exStyle = ::GetWindowLongA(Window(), GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW) << "its own taskbar button";

    // The visible controls, first in the template, in this order.
    const std::vector<HWND> children = Children(Window());
    ASSERT_GE(children.size(), 3u);
    EXPECT_EQ(::GetDlgCtrlID(children[0]), IDC_UPDATE_FIRMWARE);
    EXPECT_EQ(WindowText(children[0]), "UPDATE R5 MOUSE FIRMWARE");
    EXPECT_EQ(::GetDlgCtrlID(children[1]), IDC_EXIT);
    EXPECT_EQ(WindowText(children[1]), "EXIT");
    EXPECT_EQ(ClassName(children[2]), "Static");
    EXPECT_EQ(::GetWindowLongA(children[2], GWL_STYLE) & (SS_TYPEMASK | SS_CENTERIMAGE),
              SS_BITMAP | SS_CENTERIMAGE);
    std::vector<HWND> visible;
    for (const HWND child : children)
        if (::IsWindowVisible(child)) visible.push_back(child);
    EXPECT_EQ(visible, std::vector<HWND>(children.begin(), children.begin() + 3))
        << "only the two buttons and the picture show";
    EXPECT_EQ(Tool().Focus(), children[0]) << "the update button has the focus";

    // The hidden panel: its buttons, the entry boxes 1040 to 1061.
    for (const auto& [id, caption] : HIDDEN_BUTTONS) {
        const HWND button = Tool().Control(id);
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(WindowText(button), caption);
        EXPECT_FALSE(::IsWindowVisible(button)) << caption;
    }
    for (int id = IDC_PROFILE_ID; id <= IDC_SPARE_BOX; ++id) {
        const HWND box = Tool().Control(id);
        ASSERT_NE(box, nullptr) << id;
        EXPECT_EQ(ClassName(box), "Edit") << id;
        EXPECT_FALSE(::IsWindowVisible(box)) << id;
    }
    EXPECT_EQ(WindowText(Tool().Control(IDC_PROFILE_ID)), "0");
    EXPECT_EQ(WindowText(Tool().Control(IDC_BUTTON_NUMBER)), "0");

    // The painted area: white, the brand word hidden behind the picture.
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle, WAIT_SHORT_MS), "");
    EXPECT_EQ(CompareBrandArea(Window(), children[2]), "");
    SaveScreenshot(CaptureWindow(Window()), "idle");

    // The mouse is there, and no update ran at start: the first report it ever
    // gets is the one of a command given now.
    Tool().Click(IDC_SEND_PROFILE_ID);
    const Transfers trace = WaitForTrace(Folder(), 1, WAIT_RUN_MS);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(ToHex(trace[0].bytes), "05 03 00");
    EXPECT_EQ(Folder().StateValue("writes_0x2A"), "0");
}

}  // namespace
}  // namespace talun::e2e
