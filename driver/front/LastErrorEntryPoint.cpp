// Optional entry point: why the library's last call failed.
#include "driver/common/FeatureReport.h"
#include "driver/front/EntryGuard.h"
#include "driver/front/Exports.h"

extern "C" HIDDRIVER_EXPORT int HIDDRIVER_CALL Get_LastErrorText(char* text, int capacity) {
    return talun::hiddriver::Guarded(
        "Get_LastErrorText", 0, [&](const talun::hiddriver::HidDriver& driver) {
            return talun::hiddriver::CopyText(driver.LastErrorText(), text, capacity);
        });
}
