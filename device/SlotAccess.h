// One mouse of a driver library that can tell mice apart: the feature channel of
// its slot, as a device access of its own. The device monitor belongs to the
// whole library and is opened once for all slots, so here it does nothing.
#pragma once

#include <optional>
#include <vector>

#include "device/DeviceAccess.h"
#include "device/DriverLibrary.h"

namespace talun {

class SlotAccess final : public DeviceAccess {
  public:
    // library must outlive this and keep its slot entry points (HasMouseSlots);
    // an entry point it lacks counts as failed, like any empty slot.
    SlotAccess(const DriverLibrary& library, int slot) : library_(library), slot_(slot) {}

    int Slot() const { return slot_; }

    void OpenDevMonitor(HidWindow, unsigned, unsigned) override {}
    void CloseDevMonitor() override {}
    int OpenFeatureDevice() override;
    void CloseFeatureDevice() override;
    int SetFeature(uint8_t* report, int length) override;
    int GetFeature(uint8_t* buffer, int length) override;

  private:
    const DriverLibrary& library_;
    int slot_;
};

// The slots that hold a mouse now, in rising order (empty: none); nothing when
// the library cannot tell mice apart (no slot entry points, or it says -1): it
// is then a library of one mouse.
std::optional<std::vector<int>> ListMouseSlots(const DriverLibrary& library);

}  // namespace talun
