// Time as the core sees it: it only ever sleeps. Injected so that tests run a
// whole update in microseconds and can see every sleep.
#pragma once

#include <cstdint>

namespace talun {

class Clock {
  public:
    virtual ~Clock() = default;
    virtual void Sleep(uint32_t milliseconds) = 0;
    // Milliseconds since an arbitrary fixed start; used for traces only.
    virtual uint64_t NowMs() const = 0;
};

}  // namespace talun
