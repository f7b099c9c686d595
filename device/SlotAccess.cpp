#include "device/SlotAccess.h"

#include <vector>

namespace talun {

int SlotAccess::OpenFeatureDevice() {
    const auto open = library_.Slots().Open_FeatureDeviceSlot;
    return open ? open(slot_) : 0;
}

void SlotAccess::CloseFeatureDevice() {
    if (const auto close = library_.Slots().Close_FeatureDeviceSlot) close(slot_);
}

int SlotAccess::SetFeature(uint8_t* report, int length) {
    const auto set = library_.Slots().SetFeatureSlot;
    return set ? set(slot_, report, length) : 0;
}

int SlotAccess::GetFeature(uint8_t* buffer, int length) {
    const auto get = library_.Slots().GetFeatureSlot;
    return get ? get(slot_, buffer, length) : 0;
}

std::optional<std::vector<int>> ListMouseSlots(const DriverLibrary& library) {
    const auto list = library.Slots().List_FeatureDeviceSlots;
    if (!library.HasMouseSlots()) return std::nullopt;
    // A mouse may come between two calls: ask again with room for what was said.
    std::vector<int> slots(16);
    for (int attempt = 0; attempt < 4; ++attempt) {
        const int count = list(slots.data(), static_cast<int>(slots.size()));
        if (count < 0) return std::nullopt;
        if (static_cast<std::size_t>(count) <= slots.size()) {
            slots.resize(static_cast<std::size_t>(count));
            return slots;
        }
        slots.resize(static_cast<std::size_t>(count));
    }
    return std::nullopt;  // the mice kept coming: take it for a library that cannot tell
}

}  // namespace talun
