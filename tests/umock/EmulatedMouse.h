// The device side of one emulated mouse: what its hidraw node answers to the
// feature-report ioctls. The protocol is the simulated mouse's model (with its
// fault plan); around it this adds what the kernel and the USB device add: the
// padding the descriptor declares, a refused transfer as a failed ioctl, and a
// mouse that has gone answering ENODEV. Every report in and out is logged with
// its bytes as they crossed the ioctl.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "driver/sim/SimMouse.h"
#include "tests/support/FakeClock.h"

namespace talun::umock {

// Identifiers of the emulated mice (no real device has them).
inline constexpr uint16_t UMOCK_VENDOR_ID = 0x7E57;
inline constexpr uint16_t UMOCK_PRODUCT_ID = 0x0005;

struct MouseSpec {
    uint16_t vendorId = UMOCK_VENDOR_ID;
    uint16_t productId = UMOCK_PRODUCT_ID;
    std::vector<uint8_t> descriptor;  // empty: MouseDescriptor()
    sim::FaultPlan faults;            // Busy, error status, refused writes, failed reads, unplug
};

// A sane mouse with this fault plan, or with this report descriptor.
inline MouseSpec WithFaults(sim::FaultPlan faults) {
    MouseSpec spec;
    spec.faults = std::move(faults);
    return spec;
}
inline MouseSpec WithDescriptor(std::vector<uint8_t> descriptor) {
    MouseSpec spec;
    spec.descriptor = std::move(descriptor);
    return spec;
}

// One ioctl's transfer as the mouse saw it.
struct Transfer {
    bool write = false;
    std::vector<uint8_t> bytes;  // written, or as answered (padded to the ioctl's length)
    int error = 0;               // 0, or the errno the ioctl failed with
};

class EmulatedMouse {
  public:
    explicit EmulatedMouse(MouseSpec spec);

    // HIDIOCSFEATURE: returns the length taken, or -errno.
    int Write(const uint8_t* data, std::size_t length);
    // HIDIOCGFEATURE: data[0] holds the wanted ID; returns the length answered, or -errno.
    int Read(uint8_t* data, std::size_t length);

    // Plugged in again: the model is present and open. Unplugged: every ioctl ENODEV.
    void SetPlugged(bool plugged);
    bool Plugged() const;
    // True once after the model left by its fault plan (unplug after a write).
    bool TakeLeft();

    const std::vector<uint8_t>& Descriptor() const { return spec_.descriptor; }
    const MouseSpec& Spec() const { return spec_; }
    std::vector<Transfer> Log() const;
    // Whether the model holds this image and the default settings.
    bool HoldsUpdate(const std::vector<uint8_t>& block, int breathingMode) const;
    bool HoldsAnyFirmware() const;

  private:
    int Fail(bool write, const uint8_t* data, std::size_t length, int error);

    MouseSpec spec_;
    mutable std::mutex mutex_;
    testing::FakeClock clock_;
    sim::SimMouse model_;        // guarded by mutex_
    bool plugged_ = false;       // guarded by mutex_
    bool left_ = false;          // guarded by mutex_
    std::vector<Transfer> log_;  // guarded by mutex_
};

}  // namespace talun::umock
