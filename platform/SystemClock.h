// The real clock: sleeps the calling thread.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/Clock.h"

namespace talun {

class SystemClock final : public Clock {
  public:
    SystemClock();
    // Blocks the calling thread for at least the given time.
    void Sleep(uint32_t milliseconds) override;
    // Milliseconds since this clock was made, from a monotonic source.
    uint64_t NowMs() const override;

  private:
    std::chrono::steady_clock::time_point start_;
};

}  // namespace talun
