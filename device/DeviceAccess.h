// The six device operations as the core sees them.
//
// DriverLibrary implements this over a loaded driver library; tests implement it
// in-process over the simulated mouse. Every operation that can fail returns 0 on
// failure, never throws.
#pragma once

#include <cstdint>

#include "driver/api/HidDriverApi.h"

namespace talun {

class DeviceAccess {
  public:
    virtual ~DeviceAccess() = default;

    virtual void OpenDevMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) = 0;
    virtual void CloseDevMonitor() = 0;
    // Nonzero: the feature channel to the mouse is open.
    virtual int OpenFeatureDevice() = 0;
    virtual void CloseFeatureDevice() = 0;
    // report[0] is the report ID; length counts it. Nonzero: written.
    virtual int SetFeature(uint8_t* report, int length) = 0;
    // buffer[0] holds the wanted ID. Nonzero: read, the report stands in buffer.
    virtual int GetFeature(uint8_t* buffer, int length) = 0;
};

// Passes every operation on to another DeviceAccess. A decorator derives from it
// and overrides only the operations it watches, calling these to pass them on.
class ForwardingDeviceAccess : public DeviceAccess {
  public:
    explicit ForwardingDeviceAccess(DeviceAccess& inner) : inner_(inner) {}

    void OpenDevMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) override {
        inner_.OpenDevMonitor(window, inputMessage, plugMessage);
    }
    void CloseDevMonitor() override { inner_.CloseDevMonitor(); }
    int OpenFeatureDevice() override { return inner_.OpenFeatureDevice(); }
    void CloseFeatureDevice() override { inner_.CloseFeatureDevice(); }
    int SetFeature(uint8_t* report, int length) override {
        return inner_.SetFeature(report, length);
    }
    int GetFeature(uint8_t* buffer, int length) override {
        return inner_.GetFeature(buffer, length);
    }

  private:
    DeviceAccess& inner_;
};

}  // namespace talun
