// Waiting for a condition of another process: poll it, with a generous limit.
#pragma once

#include <windows.h>

#include <cstdint>

namespace talun::e2e {

// Limits, far above what the conditions take even on a loaded machine.
inline constexpr uint32_t WAIT_WINDOW_MS = 60000;
inline constexpr uint32_t WAIT_RUN_MS = 90000;
inline constexpr uint32_t WAIT_SHORT_MS = 20000;
inline constexpr uint32_t POLL_INTERVAL_MS = 20;

// True as soon as condition() is; false when it still is not after timeoutMs.
template <typename Condition>
bool WaitFor(Condition condition, uint32_t timeoutMs) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount64() > end) return false;
        ::Sleep(POLL_INTERVAL_MS);
    }
}

}  // namespace talun::e2e
