// The watch loop's events on Windows: the monitor posts its messages to a
// message-only window of the watching thread, and the console's interrupt
// handler (InterruptHold) posts a stop message to the same window.
#include <windows.h>

#include "console/InterruptHold.h"
#include "console/WatchEvents.h"
#include "console/Win32WatchWindow.h"

namespace talun::console {

struct WatchEvents::Impl {
    Impl() {
        if (!hold.Problem().empty()) {
            problem = hold.Problem();
            return;
        }
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
        if (window == nullptr)
            problem = "cannot create the watch window: error " + std::to_string(GetLastError());
    }

    ~Impl() {
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
                if (msg.message == WM_HID_PLUG_EVENT || msg.message == WM_HID_INPUT_EVENT)
                    return WatchEvent{WatchEvent::Kind::DeviceMessage, msg.message,
                                      static_cast<uintptr_t>(msg.wParam),
                                      static_cast<intptr_t>(msg.lParam)};
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        return WatchEvent{};  // WM_QUIT, or the queue failed
    }

    InterruptHold hold;
    HINSTANCE instance = nullptr;
    bool classRegistered = false;
    HWND window = nullptr;
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

void WatchEvents::Stop() {
    if (impl_->window != nullptr) PostMessageW(impl_->window, WM_WATCH_STOP, 0, 0);
}

}  // namespace talun::console
