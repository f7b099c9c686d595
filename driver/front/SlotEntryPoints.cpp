// Optional entry points: several mice by slot (see driver/api/HidDriverApi.h).
#include "driver/front/EntryGuard.h"
#include "driver/front/Exports.h"

using talun::hiddriver::Guarded;
using talun::hiddriver::HidDriver;

extern "C" {

HIDDRIVER_EXPORT int HIDDRIVER_CALL Open_FeatureDeviceSlot(int slot) {
    return Guarded("Open_FeatureDeviceSlot", 0,
                   [&](HidDriver& driver) { return driver.OpenFeatureDeviceSlot(slot); });
}

HIDDRIVER_EXPORT void HIDDRIVER_CALL Close_FeatureDeviceSlot(int slot) {
    Guarded("Close_FeatureDeviceSlot", 0, [&](HidDriver& driver) {
        driver.CloseFeatureDeviceSlot(slot);
        return 0;
    });
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL SetFeatureSlot(int slot, unsigned char* report, int length) {
    return Guarded("SetFeatureSlot", 0,
                   [&](HidDriver& driver) { return driver.SetFeatureSlot(slot, report, length); });
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL GetFeatureSlot(int slot, unsigned char* report, int length) {
    return Guarded("GetFeatureSlot", 0,
                   [&](HidDriver& driver) { return driver.GetFeatureSlot(slot, report, length); });
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL List_FeatureDeviceSlots(int* slots, int capacity) {
    return Guarded("List_FeatureDeviceSlots", -1, [&](HidDriver& driver) {
        return driver.ListFeatureDeviceSlots(slots, capacity);
    });
}

}  // extern "C"
