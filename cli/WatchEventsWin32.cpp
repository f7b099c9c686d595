// The watch loop's events on Windows: the monitor posts its messages to a
// message-only window of the watching thread, and the console's Ctrl-C handler
// posts a stop message to the same window. The handler finds the window by its
// class and a title that names this process, so no global state is needed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "cli/WatchEvents.h"

namespace talun::cli {

namespace {

inline constexpr wchar_t WATCH_WINDOW_CLASS[] = L"TalunR5WatchEvents";
inline constexpr UINT WM_WATCH_STOP = WM_APP + 1;

std::wstring WatchWindowTitle(DWORD processId) {
    return L"talun-r5 watch " + std::to_wstring(processId);
}

// Runs on a thread the system starts for the console event.
BOOL WINAPI OnConsoleControl(DWORD type) {
    const HWND window = FindWindowExW(HWND_MESSAGE, nullptr, WATCH_WINDOW_CLASS,
                                      WatchWindowTitle(GetCurrentProcessId()).c_str());
    if (window == nullptr) return FALSE;  // not watching (any more): the default, which ends us
    PostMessageW(window, WM_WATCH_STOP, type, 0);
    std::fputs("talun-r5: interrupted: stopping; a mouse being updated is finished first\n",
               stderr);
    std::fflush(stderr);
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
    // The console is closing or the user logs off: the system ends the program
    // as soon as this returns. Hold that off for the few seconds it allows, so
    // that a run in progress can finish; the program's own exit ends this wait.
    Sleep(INFINITE);
    return TRUE;
}

}  // namespace

struct WatchEvents::Impl {
    Impl() {
        instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = WATCH_WINDOW_CLASS;
        if (RegisterClassExW(&windowClass) == 0) {
            problem =
                "cannot register the watch window's class: error " + std::to_string(GetLastError());
            return;
        }
        classRegistered = true;
        window =
            CreateWindowExW(0, WATCH_WINDOW_CLASS, WatchWindowTitle(GetCurrentProcessId()).c_str(),
                            0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
        if (window == nullptr) {
            problem = "cannot create the watch window: error " + std::to_string(GetLastError());
            return;
        }
        // A parent that ignores Ctrl-C passes that on to us: take it back.
        SetConsoleCtrlHandler(nullptr, FALSE);
        handlerInstalled = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
    }

    ~Impl() {
        if (handlerInstalled) SetConsoleCtrlHandler(OnConsoleControl, FALSE);
        if (window != nullptr) DestroyWindow(window);
        if (classRegistered) UnregisterClassW(WATCH_WINDOW_CLASS, instance);
    }

    WatchEvent Next() {
        MSG msg{};
        if (PeekMessageW(&msg, window, WM_WATCH_STOP, WM_WATCH_STOP, PM_REMOVE))
            return WatchEvent{};
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (msg.hwnd == window) {
                if (msg.message == WM_WATCH_STOP) return WatchEvent{};
                if (msg.message == HID_MESSAGE_PLUG_EVENT || msg.message == HID_MESSAGE_INPUT_EVENT)
                    return WatchEvent{WatchEvent::Kind::DeviceMessage, msg.message,
                                      static_cast<uintptr_t>(msg.wParam),
                                      static_cast<intptr_t>(msg.lParam)};
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return WatchEvent{};  // WM_QUIT, or the queue failed
    }

    HINSTANCE instance = nullptr;
    bool classRegistered = false;
    HWND window = nullptr;
    bool handlerInstalled = false;
    std::string problem;
};

WatchEvents::WatchEvents() : impl_(std::make_unique<Impl>()) {}

WatchEvents::~WatchEvents() = default;

const std::string& WatchEvents::Problem() const {
    return impl_->problem;
}

HidWindow WatchEvents::Window() const {
    return impl_->window;
}

WatchEvent WatchEvents::Next() {
    return impl_->Next();
}

}  // namespace talun::cli
