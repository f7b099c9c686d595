// Optional entry point: the identity of the mouse in a slot (port, serial, path).
#include "driver/common/FeatureReport.h"
#include "driver/front/EntryGuard.h"
#include "driver/front/Exports.h"

extern "C" HIDDRIVER_EXPORT int HIDDRIVER_CALL Get_FeatureDeviceSlotIdentity(int slot, char* text,
                                                                             int capacity) {
    return talun::hiddriver::Guarded(
        "Get_FeatureDeviceSlotIdentity", -1, [&](talun::hiddriver::HidDriver& driver) {
            if (text == nullptr || capacity <= 0) return -1;
            const auto identity = driver.SlotIdentity(slot);
            if (!identity) return -1;
            return talun::hiddriver::CopyText(talun::hiddriver::FormatMouseIdentity(*identity),
                                              text, capacity);
        });
}
