// Where a driver library's device monitor delivers its messages in a test: a
// message-only window of the test thread on Windows, an event sink elsewhere.
// It records every message with its wParam and lParam, in order.
#pragma once

#include <cstdint>
#include <mutex>
#include <tuple>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "driver/api/HidDriverApi.h"
#include "tests/support/WaitUntil.h"

namespace talun::test {

using Message = std::pair<unsigned, uintptr_t>;           // message number, wParam
using Event = std::tuple<unsigned, uintptr_t, intptr_t>;  // message number, wParam, lParam

namespace detail {

#ifdef _WIN32
// A message-only window of the test thread.
class PlatformTarget {
  public:
    PlatformTarget() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &PlatformTarget::WindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = CLASS_NAME;
        ::RegisterClassExW(&windowClass);
        window_ = ::CreateWindowExW(0, CLASS_NAME, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, this);
    }
    ~PlatformTarget() {
        ::DestroyWindow(window_);
        ::UnregisterClassW(CLASS_NAME, ::GetModuleHandleW(nullptr));
    }
    PlatformTarget(const PlatformTarget&) = delete;
    PlatformTarget& operator=(const PlatformTarget&) = delete;

    HidWindow Handle() const { return window_; }

    // Everything delivered so far, after handling what waits in the queue.
    std::vector<Event> Events() {
        MSG message;
        while (::PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        return events_;
    }

  private:
    static constexpr const wchar_t* CLASS_NAME = L"TalunHidDriverTestTarget";

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<PlatformTarget*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message >= WM_USER) {
            self->events_.emplace_back(message, static_cast<uintptr_t>(wParam),
                                       static_cast<intptr_t>(lParam));
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<Event> events_;
};
#else
// An event sink that the monitor's thread posts to.
class PlatformTarget : public HidEventSink {
  public:
    PlatformTarget() : HidEventSink{&PlatformTarget::Post} {}
    PlatformTarget(const PlatformTarget&) = delete;
    PlatformTarget& operator=(const PlatformTarget&) = delete;

    HidWindow Handle() { return static_cast<HidEventSink*>(this); }

    // Everything the monitor's thread posted so far.
    std::vector<Event> Events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

  private:
    static void Post(HidEventSink* self, unsigned message, uintptr_t wParam, intptr_t lParam) {
        auto* target = static_cast<PlatformTarget*>(self);
        std::lock_guard<std::mutex> lock(target->mutex_);
        target->events_.emplace_back(message, wParam, lParam);
    }

    std::mutex mutex_;
    std::vector<Event> events_;
};
#endif

}  // namespace detail

class MonitorTarget : public detail::PlatformTarget {
  public:
    // The messages with their wParam, in order.
    std::vector<Message> Received() {
        std::vector<Message> received;
        for (const auto& [message, wParam, lParam] : Events())
            received.emplace_back(message, wParam);
        return received;
    }
    bool WaitFor(std::size_t count) {
        return WaitUntil([&] { return Events().size() >= count; });
    }
};

}  // namespace talun::test
