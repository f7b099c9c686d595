// The application object: one per process, with a start-up step and an exit step.
//
// Run() calls InitInstance(), then ExitInstance(), which gives the process exit
// status. The main window is a modal dialog with a loop of its own, run during
// InitInstance(): no message loop follows it.
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

  protected:
    // Start-up, the main window included. The result says whether the program
    // went on to its main window (false) or ended at once (true).
    virtual bool InitInstance() = 0;
    // The exit status: 0.
    virtual int ExitInstance();

  private:
    HINSTANCE instance_;
    std::string title_;
};

}  // namespace talun::ui
