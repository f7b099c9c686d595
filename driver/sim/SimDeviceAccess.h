// The six device operations over an in-process simulated mouse, for tests of the
// core. The monitor has no thread of its own here: the test decides when plug and
// input events arrive and they are delivered on its own thread.
#pragma once

#include <cstdint>

#include "device/DeviceAccess.h"
#include "driver/sim/SimMouse.h"

namespace talun::sim {

class SimDeviceAccess final : public DeviceAccess {
  public:
    explicit SimDeviceAccess(SimMouse& mouse) : mouse_(mouse) {}

    // window must be a HidEventSink* (or null: events are then dropped).
    void OpenDevMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) override;
    void CloseDevMonitor() override;
    int OpenFeatureDevice() override { return mouse_.OpenFeatureDevice(); }
    void CloseFeatureDevice() override { mouse_.CloseFeatureDevice(); }
    int SetFeature(uint8_t* report, int length) override {
        return mouse_.SetFeature(report, length);
    }
    int GetFeature(uint8_t* buffer, int length) override {
        return mouse_.GetFeature(buffer, length);
    }

    SimMouse& Mouse() { return mouse_; }

    // What the core handed to the monitor.
    bool MonitorOpen() const { return monitorOpen_; }
    HidWindow Window() const { return window_; }
    unsigned InputMessage() const { return inputMessage_; }
    unsigned PlugMessage() const { return plugMessage_; }
    int MonitorOpenCount() const { return opens_; }
    int MonitorCloseCount() const { return closes_; }

    // Plug or unplug the mouse; when that changes whether it is present, the open
    // monitor delivers the plug event (wParam 1 or 0). True when an event went out.
    bool Plug();
    bool Unplug();
    // What the monitor does at each poll: tell the sink when the mouse appeared or
    // disappeared by itself since the last event (an unplug planned after n writes).
    bool PollPresence();
    // Raw messages, whatever the mouse's state: the plug message with any wParam,
    // the input message with any wParam and lParam, and a button press (input
    // message, wParam 0xE000, lParam the button number).
    bool DeliverPlugEvent(uintptr_t wParam);
    bool DeliverInputEvent(uintptr_t wParam, intptr_t lParam);
    bool DeliverButton(int button);

  private:
    bool Post(unsigned message, uintptr_t wParam, intptr_t lParam);

    SimMouse& mouse_;
    bool monitorOpen_ = false;
    HidWindow window_ = nullptr;
    unsigned inputMessage_ = 0;
    unsigned plugMessage_ = 0;
    int opens_ = 0;
    int closes_ = 0;
    bool reportedPresent_ = false;
};

}  // namespace talun::sim
