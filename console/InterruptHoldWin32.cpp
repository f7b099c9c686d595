// The console's interrupt handler. It runs on a thread the system starts for
// each console event, and reaches the watch loop, if there is one, through its
// window (found by class and title), so no global state is needed.
#include <windows.h>

#include <cstdio>

#include "console/InterruptHold.h"
#include "console/Win32WatchWindow.h"

namespace talun::console {

namespace {

BOOL WINAPI HoldConsoleInterrupt(DWORD type) {
    const HWND watchWindow = FindWindowExW(HWND_MESSAGE, nullptr, WATCH_WINDOW_CLASS,
                                           WatchWindowTitle(GetCurrentProcessId()).c_str());
    if (watchWindow != nullptr) PostMessageW(watchWindow, WM_WATCH_STOP, type, 0);
    std::fputs("talun-r5: interrupted: the work in progress is finished first\n", stderr);
    std::fflush(stderr);
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
    // The console is closing, or the user logs off: the system ends the program
    // as soon as this returns. Hold that off for the seconds it allows, so that
    // the work in progress can finish; the program's own exit ends this wait.
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

struct InterruptHold::Impl {
    Impl() {
        // A parent that ignores Ctrl-C passes that on; take the handling back.
        SetConsoleCtrlHandler(nullptr, FALSE);
        installed = SetConsoleCtrlHandler(HoldConsoleInterrupt, TRUE) != 0;
        if (!installed) problem = "cannot hold interrupts: error " + std::to_string(GetLastError());
    }
    ~Impl() {
        if (installed) SetConsoleCtrlHandler(HoldConsoleInterrupt, FALSE);
    }

    bool installed = false;
    std::string problem;
};

InterruptHold::InterruptHold(std::function<void()> /*onInterrupt: see the header*/)
    : impl_(std::make_unique<Impl>()) {}

InterruptHold::~InterruptHold() = default;

const std::string& InterruptHold::Problem() const {
    return impl_->problem;
}

}  // namespace talun::console
