#include "platform/SystemClock.h"

#include <windows.h>

namespace talun {

SystemClock::SystemClock() : start_(std::chrono::steady_clock::now()) {}

void SystemClock::Sleep(uint32_t milliseconds) {
    // INFINITE is 0xFFFFFFFF: a sleep that long would never end, so cap it one below.
    ::Sleep(milliseconds == INFINITE ? INFINITE - 1 : milliseconds);
}

uint64_t SystemClock::NowMs() const {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace talun
