// The driver library comes from the program's own folder, by its full path,
// and nowhere else: missing, lacking entry points, planted in the current
// directory, or beyond the path limit, the tool still comes up and a run ends
// "FIRMWARE NOT UPDATED.".
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "resources/resource.h"
#include "tests/app/e2e/StatusArea.h"
#include "tests/app/e2e/ToolTest.h"

namespace talun::e2e {
namespace {

using Binding = ToolTest;

// The window is up and idle; the button gives "FIRMWARE NOT UPDATED.".
void ExpectUpAndNotUpdated(ToolProcess& tool) {
    const HWND window = tool.WaitForMainWindow();
    ASSERT_NE(window, nullptr) << "the window did not come up";
    EXPECT_EQ(WaitForStatusArea(window, Shown::Idle, WAIT_SHORT_MS), "");
    tool.Click(IDC_UPDATE_FIRMWARE);
    EXPECT_EQ(WaitForStatusArea(window, Shown::NotUpdated), "");
    EXPECT_TRUE(tool.Running());
}

std::vector<std::string> CallNames(const ToolFolder& folder) {
    std::vector<std::string> names;
    for (const auto& call : folder.ProbeCalls()) names.push_back(call.name);
    return names;
}

TEST_F(Binding, MonitorOpensOnTheWindowWithMessages1325And1326ThenTheFeatureDevice) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Probe}));
    const auto calls = Folder().ProbeCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "load");
    EXPECT_EQ(calls[1].name, "Open_DevMonitor");
    char expected[64];
    std::snprintf(expected, sizeof expected, "%p 1325 1326", static_cast<void*>(Window()));
    EXPECT_EQ(calls[1].arguments, expected);
    EXPECT_EQ(calls[2].name, "Open_FeatureDevice");
}

TEST_F(Binding, NoDriverLibrary) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::None}));
    ExpectUpAndNotUpdated(Tool());
}

TEST_F(Binding, ALibraryLackingEntryPointsIsNeverCalledThroughThem) {
    // No Open_DevMonitor and no GetFeature: the run writes, cannot read a single
    // acknowledgement, and ends "FIRMWARE NOT UPDATED." without a crash.
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::ProbePartial}));
    ExpectUpAndNotUpdated(Tool());
    const auto names = CallNames(Folder());
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[0], "load");
    EXPECT_EQ(names[1], "Open_FeatureDevice") << "the monitor has no entry point";
    EXPECT_NE(std::find(names.begin(), names.end(), "SetFeature"), names.end());
}

TEST_F(Binding, ALibraryPlantedInTheCurrentDirectoryIsNeverLoaded) {
    ToolFolder folder(Name(), {Driver::None});
    ToolFolder planted(Name() + ".cwd", {Driver::Probe});
    ToolProcess tool(folder.Program(), planted.Dir());
    ExpectUpAndNotUpdated(tool);
    EXPECT_FALSE(FileExists(planted.File("probe-calls.txt"))) << "the planted library was loaded";
}

TEST_F(Binding, AProgramPathLongerThanTheLimitCountsAsAMissingLibrary) {
    // A folder path of more than 260 characters, with the library in it.
    std::string parent = FromTestDirectory("e2e-work\\") + Name() + "\\";
    for (const char c : {'a', 'b', 'c'}) parent += std::string(90, c) + "\\";
    ToolFolder folder("tool", {Driver::Probe}, parent);
    ASSERT_GT(folder.Program().size(), 260u);
    ToolProcess tool(folder.Program());
    ExpectUpAndNotUpdated(tool);
    EXPECT_FALSE(FileExists(folder.File("probe-calls.txt")))
        << "a library whose path does not fit was loaded";
}

}  // namespace
}  // namespace talun::e2e
