// Optional entry point: why the last call for one slot failed.
#include "driver/common/FeatureReport.h"
#include "driver/front/EntryGuard.h"
#include "driver/front/Exports.h"

extern "C" HIDDRIVER_EXPORT int HIDDRIVER_CALL Get_LastErrorTextSlot(int slot, char* text,
                                                                     int capacity) {
    return talun::hiddriver::Guarded(
        "Get_LastErrorTextSlot", 0, [&](const talun::hiddriver::HidDriver& driver) {
            return talun::hiddriver::CopyText(driver.LastErrorTextSlot(slot), text, capacity);
        });
}
