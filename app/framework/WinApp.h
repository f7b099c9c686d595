// The application object: one per process, with a start-up step and an exit step.
//
// Run() calls InitInstance(). When that returns true, a message loop runs for as
// long as a main window exists (with none, the loop ends at once with status 0);
// then ExitInstance() gives the process exit status.
#pragma once

#include <windows.h>

#include <string>

namespace talun::ui {

class WinApp {
  public:
    explicit WinApp(HINSTANCE instance);
    WinApp(const WinApp&) = delete;
    WinApp& operator=(const WinApp&) = delete;
    virtual ~WinApp() = default;

    // Start-up, message loop, exit. The process exit status.
    int Run();

    HINSTANCE Instance() const { return instance_; }
    // The application's title, the caption of its message boxes: the base name of
    // the program file ("TalunR5Update" for TalunR5Update.exe).
    const std::string& Title() const { return title_; }

    // The window whose end ends the message loop; nullptr for none.
    void SetMainWindow(HWND window) { mainWindow_ = window; }
    HWND MainWindow() const { return mainWindow_; }

  protected:
    // True: run the message loop; false: go straight to the exit step.
    virtual bool InitInstance() = 0;
    // The exit status: the value of the quit message that ended the loop (0 when
    // no loop ran).
    virtual int ExitInstance();

  private:
    HINSTANCE instance_;
    std::string title_;
    HWND mainWindow_ = nullptr;
    int quitCode_ = 0;
};

}  // namespace talun::ui
