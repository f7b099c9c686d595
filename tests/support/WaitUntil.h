// Waiting in a test for something another thread or process brings about.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace talun::test {

// Polls the condition until it holds, up to a generous limit; false when it never did.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace talun::test
