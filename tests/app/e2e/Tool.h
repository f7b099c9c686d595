// One running copy of TalunR5Update.exe, started by the test, and what the test
// sees of its windows from outside: the way an operator or another program sees
// them, through window handles and messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/app/e2e/Wait.h"

namespace talun::e2e {

inline constexpr char MAIN_TITLE[] = "Talun R5 Firmware Update V3.01";
inline constexpr char ABOUT_TITLE[] = "About pelloran";
// The caption of the tool's message boxes: the application's title.
inline constexpr char APP_TITLE[] = "TalunR5Update";

class ToolProcess {
  public:
    // Starts the program with its working directory set to currentDirectory
    // (empty: the program's own). Ends it by force when it is still running
    // when this goes.
    ToolProcess(const std::string& program, const std::string& currentDirectory = "");
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;
    ~ToolProcess();

    bool Started() const { return process_ != nullptr; }
    DWORD Pid() const { return pid_; }
    bool Running() const;
    // True once the process has ended; then ExitCode() holds its status.
    bool WaitForExit(uint32_t timeoutMs);
    DWORD ExitCode() const;
    // Ends the process at once, as a crash would.
    void Kill();

    // The main window, once it is visible with its title; nullptr on timeout.
    HWND WaitForMainWindow(uint32_t timeoutMs = WAIT_WINDOW_MS);
    HWND Window() const { return window_; }
    HWND Control(int id) const { return ::GetDlgItem(window_, id); }

    // A visible top-level window of this process with this title and class
    // (nullptr: any class), or nullptr.
    HWND FindTopLevel(const std::string& title, const char* className = "#32770") const;
    // The same, once it shows; nullptr on timeout.
    HWND WaitForTopLevel(const std::string& title, const char* className = "#32770",
                         uint32_t timeoutMs = WAIT_SHORT_MS) const;
    // True once no visible top-level window of this process has this title.
    bool WaitUntilGone(const std::string& title, uint32_t timeoutMs = WAIT_SHORT_MS) const;
    // Every top-level window of this process, visible or not.
    std::vector<HWND> TopLevelWindows() const;

    // A button click as the button sends it to the window.
    void Click(int commandId) const;
    void SetBoxText(int boxId, const std::string& text) const;
    // The window that has the keyboard focus in the tool's window thread.
    HWND Focus() const;

    // True when the window answers a sent message within timeoutMs.
    bool Answers(uint32_t timeoutMs = 5000) const;

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

// A key pressed and released, as the keyboard sends it to a window.
void PressKey(HWND window, WPARAM key);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
// Children of a window in Z order (the template's order for a dialog).
std::vector<HWND> Children(HWND window);

}  // namespace talun::e2e
