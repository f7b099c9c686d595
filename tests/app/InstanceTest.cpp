// One copy per logon: the instance guard "Gaming_Mouse_Korvane", which talun-r5
// holds too while it works on a mouse.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>

#include "resources/resource.h"
#include "tests/app/e2e/ToolTest.h"
#include "tests/support/ChildProcess.h"

namespace talun::e2e {
namespace {

using Instance = ToolTest;

constexpr char GUARD_NAME[] = "Gaming_Mouse_Korvane";
constexpr std::chrono::milliseconds COMMAND_LINE_LIMIT{WAIT_RUN_MS};

int CountLoads(const ToolFolder& folder) {
    int loads = 0;
    for (const auto& call : folder.ProbeCalls())
        if (call.name == "load") ++loads;
    return loads;
}

// Runs the program until it ends by itself; whether it showed a window meanwhile.
bool RunsSilentlyToExitZero(const std::string& program) {
    ToolProcess copy(program);
    bool showedWindow = false;
    const bool ended = WaitFor(
        [&] {
            for (const HWND w : copy.TopLevelWindows())
                if (::IsWindowVisible(w)) showedWindow = true;
            return !copy.Running();
        },
        WAIT_WINDOW_MS);
    EXPECT_TRUE(ended) << "the copy did not end";
    EXPECT_EQ(copy.ExitCode(), 0u);
    EXPECT_FALSE(showedWindow);
    return ended && copy.ExitCode() == 0 && !showedWindow;
}

TEST_F(Instance, ASecondCopyEndsAtOnceSilentlyWithStatusZero) {
    ASSERT_NO_FATAL_FAILURE(StartTool({Driver::Probe}));
    ASSERT_EQ(CountLoads(Folder()), 1);

    EXPECT_TRUE(RunsSilentlyToExitZero(Folder().Program()));
    EXPECT_EQ(CountLoads(Folder()), 1) << "the second copy went as far as the driver library";
    EXPECT_TRUE(Tool().Running());
    EXPECT_TRUE(Tool().Answers());
    EXPECT_EQ(Tool().FindTopLevel(MAIN_TITLE), Window());
}

TEST_F(Instance, ACopyStartsAfterTheFirstEndedOrCrashed) {
    const ToolFolder& folder = MakeFolder();
    {
        ToolProcess first(folder.Program());
        ASSERT_NE(first.WaitForMainWindow(), nullptr);
        first.Click(IDC_EXIT);
        ASSERT_TRUE(first.WaitForExit(WAIT_WINDOW_MS));
    }
    {
        ToolProcess second(folder.Program());
        ASSERT_NE(second.WaitForMainWindow(), nullptr) << "after a normal end";
        second.Kill();
    }
    ASSERT_NO_FATAL_FAILURE(StartTool()) << "after a crash";
}

TEST_F(Instance, AnotherProgramsMutexOfThatNameKeepsTheToolFromStarting) {
    const HANDLE guard = ::CreateMutexA(nullptr, FALSE, GUARD_NAME);
    ASSERT_NE(guard, nullptr);
    EXPECT_TRUE(RunsSilentlyToExitZero(MakeFolder().Program()));
    ::CloseHandle(guard);
}

TEST_F(Instance, AnObjectOfAnotherKindUnderThatNameLeavesTheToolUnguarded) {
    const HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, GUARD_NAME);
    ASSERT_NE(event, nullptr);
    EXPECT_NO_FATAL_FAILURE(StartTool());
    ::CloseHandle(event);
}

TEST_F(Instance, TalunR5WritesNothingAndExitsFourWhileTheWindowRuns) {
    const std::string commandLine = MakeFolder().AddCommandLine();
    ASSERT_NO_FATAL_FAILURE(StartTool());

    // The mouse is present: an update that went ahead would write at once.
    const test::ChildResult update =
        test::RunChild(commandLine, {"update"}, {}, COMMAND_LINE_LIMIT);
    EXPECT_EQ(update.exitCode, 4) << update.out << update.err;
    EXPECT_NE(update.err.find("the window (TalunR5Update) is running"), std::string::npos)
        << update.err;
    EXPECT_TRUE(Folder().Trace().empty()) << "reports reached the mouse";
    EXPECT_TRUE(Tool().Answers());
}

TEST_F(Instance, TheWindowStartedWhileTalunR5WatchRunsEndsSilently) {
    const ToolFolder& folder = MakeFolder();
    {
        test::ChildProcess watch(folder.AddCommandLine(), {"watch"});
        ASSERT_TRUE(watch.Started()) << watch.StartError();
        ASSERT_TRUE(watch.WaitForOut("waiting for Talun R5 mice", COMMAND_LINE_LIMIT))
            << watch.Err();
        EXPECT_TRUE(RunsSilentlyToExitZero(folder.Program()));
    }  // talun-r5 ended by force: its guard goes with it
    ASSERT_NO_FATAL_FAILURE(StartTool());
}

}  // namespace
}  // namespace talun::e2e
