// Waiting for a condition of another process: poll it, with a generous limit.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "tests/support/WaitUntil.h"

namespace talun::e2e {

// Limits, far above what the conditions take even on a loaded machine.
inline constexpr uint32_t WAIT_WINDOW_MS = 60000;
inline constexpr uint32_t WAIT_RUN_MS = 90000;
inline constexpr uint32_t WAIT_SHORT_MS = 20000;

// True as soon as condition() is; false when it still is not after timeoutMs.
inline bool WaitFor(const std::function<bool()>& condition, uint32_t timeoutMs) {
    return test::WaitUntil(condition, std::chrono::milliseconds(timeoutMs));
}

}  // namespace talun::e2e
