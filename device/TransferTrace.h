// A readable record of everything that goes to and comes from the mouse, and of
// every sleep: for --trace files and for the golden trace that guards the bytes
// on the wire.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "device/DeviceAccess.h"
#include "device/TraceFormat.h"
#include "platform/Clock.h"

namespace talun {

// Receives one finished line at a time (no newline).
using TraceSink = std::function<void(const std::string& line)>;

// Passes every operation through to inner and writes a line for it
// (device/TraceFormat.h).
class TracingDeviceAccess final : public ForwardingDeviceAccess {
  public:
    TracingDeviceAccess(DeviceAccess& inner, const Clock& clock, TraceSink sink);

    void OpenDevMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) override;
    void CloseDevMonitor() override;
    int OpenFeatureDevice() override;
    void CloseFeatureDevice() override;
    int SetFeature(uint8_t* report, int length) override;
    int GetFeature(uint8_t* buffer, int length) override;

  private:
    // Stamps the line with the clock and hands it to the sink.
    void Write(TraceLine line) const;

    const Clock& clock_;
    TraceSink sink_;
};

// A clock that writes "<ms> SLEEP <n>" for every sleep before passing it on.
class TracingClock final : public Clock {
  public:
    TracingClock(Clock& inner, TraceSink sink);
    void Sleep(uint32_t milliseconds) override;
    uint64_t NowMs() const override { return inner_.NowMs(); }

  private:
    Clock& inner_;
    TraceSink sink_;
};

}  // namespace talun
