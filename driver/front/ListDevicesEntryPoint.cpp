// Optional entry point: the HID devices the library can see.
#include "driver/front/EntryGuard.h"
#include "driver/front/Exports.h"

extern "C" HIDDRIVER_EXPORT int HIDDRIVER_CALL List_HidDevices(char* text, int capacity) {
    return talun::hiddriver::Guarded(
        "List_HidDevices", -1,
        [&](talun::hiddriver::HidDriver& driver) { return driver.ListDevices(text, capacity); });
}
