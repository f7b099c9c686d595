// What the process holds (monitor windows, handles, threads), to show that a
// device monitor left nothing behind; and where the monitor delivers its messages.
#pragma once

#include <cstdint>
#include <string>

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
#include "tests/support/MonitorTarget.h"

namespace talun::hiddriver::test {

using talun::test::Message;
using talun::test::MonitorTarget;

// What the process holds: handles (descriptors on Linux) and threads.
struct ProcessResources {
    int handles = 0;
    int threads = 0;

    static ProcessResources Now();
    bool operator==(const ProcessResources& other) const {
        return handles == other.handles && threads == other.threads;
    }
    std::string Describe() const {
        return std::to_string(handles) + " handles, " + std::to_string(threads) + " threads";
    }
};

#ifdef _WIN32

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

// Handles (probed by value: GetProcessHandleCount says 0 under Wine, and a young
// process holds its handles well below 64 K) and threads of this process.
inline ProcessResources ProcessResources::Now() {
    ProcessResources now;
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

#else

// The Linux monitor makes no windows.
inline int MonitorWindowCount() {
    return 0;
}

// Descriptors and threads of this process.
inline ProcessResources ProcessResources::Now() {
    ProcessResources now;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++now.handles;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task"))
        ++now.threads;
    return now;
}

#endif

}  // namespace talun::hiddriver::test
