#include "platform/SystemClock.h"

#include <thread>

namespace talun {

SystemClock::SystemClock() : start_(std::chrono::steady_clock::now()) {}

void SystemClock::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint64_t SystemClock::NowMs() const {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace talun
