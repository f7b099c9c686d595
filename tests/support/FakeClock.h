// A clock that never sleeps: it records each sleep and moves its time on by it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Clock.h"

namespace talun::testing {

class FakeClock final : public Clock {
  public:
    explicit FakeClock(uint64_t startMs = 0) : now(startMs) {}

    void Sleep(uint32_t ms) override {
        sleeps.push_back(ms);
        now += ms;
    }
    uint64_t NowMs() const override { return now; }
    uint64_t TotalSlept() const {
        uint64_t total = 0;
        for (uint32_t s : sleeps) total += s;
        return total;
    }

    std::vector<uint32_t> sleeps;
    uint64_t now;
};

}  // namespace talun::testing
