// Base of the end-to-end tests: a name per test for its folder and screenshots,
// and the test's own copy of the tool (Tool.h) started in a fresh folder (Files.h).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/app/e2e/Files.h"
#include "tests/app/e2e/Tool.h"

namespace talun::e2e {

class ToolTest : public ::testing::Test {
  protected:
    // "Suite.Test", usable as a folder name.
    static std::string Name() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        return name;
    }

    // The test's folder, named after it, made anew.
    ToolFolder& MakeFolder(const FolderSetup& setup = {}) {
        folder_ = std::make_unique<ToolFolder>(Name(), setup);
        return *folder_;
    }

    // Starts the tool in the test's folder (made with setup when there is none
    // yet) and waits for its main window. A fatal failure when the window never
    // comes: call it as ASSERT_NO_FATAL_FAILURE(StartTool()).
    void StartTool(const FolderSetup& setup = {}) {
        if (!folder_) MakeFolder(setup);
        tool_ = std::make_unique<ToolProcess>(folder_->Program());
        ASSERT_NE(tool_->WaitForMainWindow(), nullptr)
            << "no window titled \"" << MAIN_TITLE << "\"; the tool "
            << (tool_->Running() ? "still runs"
                                 : "ended, status " + std::to_string(tool_->ExitCode()));
    }

    ToolFolder& Folder() const { return *folder_; }
    ToolProcess& Tool() const { return *tool_; }
    // The main window StartTool found.
    HWND Window() const { return tool_->Window(); }

  private:
    std::unique_ptr<ToolFolder> folder_;
    std::unique_ptr<ToolProcess> tool_;  // ended before its folder goes
};

}  // namespace talun::e2e
