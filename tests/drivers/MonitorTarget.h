// Where the device monitor delivers its messages in a test, and what the process
// holds (handles, threads) to show that a monitor left nothing behind.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include "driver/win32/MonitorWindowClass.h"
#else
#include <filesystem>
#endif

#include "driver/api/HidDriverApi.h"
#include "tests/drivers/DriverLibraryFixture.h"

namespace talun::hiddriver::test {

using Message = std::pair<unsigned, uintptr_t>;  // message number, wParam

#ifdef _WIN32

// A message-only window of the test thread that records the messages it gets.
class MonitorTarget {
  public:
    MonitorTarget() {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &MonitorTarget::WindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = CLASS_NAME;
        ::RegisterClassExW(&windowClass);
        window_ = ::CreateWindowExW(0, CLASS_NAME, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, this);
    }
    ~MonitorTarget() {
        ::DestroyWindow(window_);
        ::UnregisterClassW(CLASS_NAME, ::GetModuleHandleW(nullptr));
    }
    MonitorTarget(const MonitorTarget&) = delete;
    MonitorTarget& operator=(const MonitorTarget&) = delete;

    HidWindow Handle() const { return window_; }

    // Everything delivered so far, after handling what waits in the queue.
    std::vector<Message> Received() {
        MSG message;
        while (::PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
        return received_;
    }
    bool WaitFor(std::size_t count) {
        return WaitUntil([&] { return Received().size() >= count; });
    }

  private:
    static constexpr const wchar_t* CLASS_NAME = L"TalunHidDriverTestTarget";

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA,
                                reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<MonitorTarget*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self != nullptr && message >= WM_USER) {
            self->received_.emplace_back(message, static_cast<uintptr_t>(wParam));
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<Message> received_;
};

// How many monitor windows exist right now.
inline int MonitorWindowCount() {
    int count = 0;
    HWND window = nullptr;
    while ((window = ::FindWindowExW(HWND_MESSAGE, window, MONITOR_WINDOW_CLASS, nullptr)) !=
           nullptr) {
        ++count;
    }
    return count;
}

struct ProcessResources {
    DWORD handles = 0;
    int threads = 0;

    static ProcessResources Now() {
        ProcessResources now;
        // GetProcessHandleCount says 0 under Wine: probe the handle values instead.
        // A young process holds its handles well below 64 K.
        for (uintptr_t value = 4; value < 0x10000; value += 4) {
            DWORD flags = 0;
            if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++now.handles;
        }
        const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snapshot != INVALID_HANDLE_VALUE) {
            THREADENTRY32 entry{};
            entry.dwSize = sizeof entry;
            for (BOOL more = ::Thread32First(snapshot, &entry); more;
                 more = ::Thread32Next(snapshot, &entry)) {
                if (entry.th32OwnerProcessID == ::GetCurrentProcessId()) ++now.threads;
            }
            ::CloseHandle(snapshot);
        }
        return now;
    }
    bool operator==(const ProcessResources& other) const {
        return handles == other.handles && threads == other.threads;
    }
    std::string Describe() const {
        return std::to_string(handles) + " handles, " + std::to_string(threads) + " threads";
    }
};

#else

// An event sink that records what the monitor's thread posts.
class MonitorTarget : public HidEventSink {
  public:
    MonitorTarget() : HidEventSink{&MonitorTarget::Post} {}
    MonitorTarget(const MonitorTarget&) = delete;
    MonitorTarget& operator=(const MonitorTarget&) = delete;

    HidWindow Handle() { return static_cast<HidEventSink*>(this); }

    std::vector<Message> Received() {
        std::lock_guard<std::mutex> lock(mutex_);
        return received_;
    }
    bool WaitFor(std::size_t count) {
        return WaitUntil([&] { return Received().size() >= count; });
    }
    // The lParam of each message received, in the same order (the slot of a plug message).
    std::vector<intptr_t> LParams() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lParams_;
    }

  private:
    static void Post(HidEventSink* self, unsigned message, uintptr_t wParam, intptr_t lParam) {
        auto* target = static_cast<MonitorTarget*>(self);
        std::lock_guard<std::mutex> lock(target->mutex_);
        target->received_.emplace_back(message, wParam);
        target->lParams_.push_back(lParam);
    }

    std::mutex mutex_;
    std::vector<Message> received_;
    std::vector<intptr_t> lParams_;
};

// The Linux monitor makes no windows.
inline int MonitorWindowCount() {
    return 0;
}

struct ProcessResources {
    int descriptors = 0;
    int threads = 0;

    static ProcessResources Now() {
        ProcessResources now;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator("/proc/self/fd")) {
            ++now.descriptors;
        }
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator("/proc/self/task")) {
            ++now.threads;
        }
        return now;
    }
    bool operator==(const ProcessResources& other) const {
        return descriptors == other.descriptors && threads == other.threads;
    }
    std::string Describe() const {
        return std::to_string(descriptors) + " descriptors, " + std::to_string(threads) +
               " threads";
    }
};

#endif

}  // namespace talun::hiddriver::test
