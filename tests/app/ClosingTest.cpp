// Closing: "EXIT", the close box, Alt+F4 and the Close message all end the tool
// the same way, a second after, with the device closed in order; Escape does
// nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/ToolTest.h"

namespace talun::e2e {
namespace {

constexpr ULONGLONG CLOSE_DEVICE_DELAY_MS = 1000;
// The tick count moves in steps (Wine updates it every few milliseconds), and
// the probe reads it in the tool's process, the test in its own.
constexpr ULONGLONG TICK_STEP_MS = 32;
constexpr LPARAM ALT_DOWN = 1 | (KF_ALTDOWN << 16);

struct CloseWay {
    const char* name;
    void (*ask)(const ToolProcess& tool);
};

const CloseWay CLOSE_WAYS[] = {
    {"ExitButton", [](const ToolProcess& tool) { tool.Click(IDC_EXIT); }},
    {"CloseBox",
     [](const ToolProcess& tool) { ::PostMessageA(tool.Window(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    {"AltF4",
     [](const ToolProcess& tool) { ::PostMessageA(tool.Focus(), WM_SYSKEYDOWN, VK_F4, ALT_DOWN); }},
    {"CloseMessage",
     [](const ToolProcess& tool) { ::PostMessageA(tool.Window(), WM_CLOSE, 0, 0); }},
};

class Closing : public ToolTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(Closing, EndsAfterASecondWithMonitorThenFeatureDeviceClosedThenLibraryReleased) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Probe}));
    ASSERT_NE(Tool().Focus(), nullptr);

    const ULONGLONG asked = ::GetTickCount64();
    GetParam().ask(Tool());
    ASSERT_TRUE(Tool().WaitForExit(WAIT_WINDOW_MS));
    EXPECT_GE(::GetTickCount64() - asked + TICK_STEP_MS, CLOSE_DEVICE_DELAY_MS);
    EXPECT_EQ(Tool().ExitCode(), 0u);

    std::vector<std::string> names;
    ULONGLONG monitorClosed = 0;
    for (const auto& call : Folder().ProbeCalls()) {
        names.push_back(call.name);
        if (call.name == "Close_DevMonitor") monitorClosed = call.tick;
    }
    const std::vector<std::string> expected = {
        "load",  "Open_DevMonitor", "Open_FeatureDevice", "Close_DevMonitor", "Close_FeatureDevice",
        "unload"};
    EXPECT_EQ(names, expected);
    EXPECT_GE(monitorClosed + TICK_STEP_MS, asked + CLOSE_DEVICE_DELAY_MS)
        << "the pause before the device closes";
}

INSTANTIATE_TEST_SUITE_P(Ways, Closing, ::testing::ValuesIn(CLOSE_WAYS),
                         [](const auto& info) { return std::string(info.param.name); });

using Escape = ToolTest;

TEST_F(Escape, DoesNothingInTheMainWindow) {
    ASSERT_NO_FATAL_FAILURE(StartTool());
    const HWND focus = Tool().Focus();
    ASSERT_NE(focus, nullptr);

    for (const HWND target : {focus, Window()}) PressKey(target, VK_ESCAPE);
    // The About box, asked for after the keys, shows that they were handled.
    ::PostMessageA(Window(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const HWND about = Tool().WaitForTopLevel(ABOUT_TITLE);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(Tool().Running());
    EXPECT_EQ(Tool().FindTopLevel(MAIN_TITLE), Window());
    ::PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(Tool().WaitUntilGone(ABOUT_TITLE));
    EXPECT_EQ(WaitForStatusArea(Window(), Shown::Idle, WAIT_SHORT_MS), "");
}

}  // namespace
}  // namespace talun::e2e
