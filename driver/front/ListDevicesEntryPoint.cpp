// Optional entry point: the HID devices the library can see.
#include <type_traits>

#include "device/HidDriverApi.h"
#include "driver/front/EntryGuard.h"

extern "C" HIDDRIVER_EXPORT int HIDDRIVER_CALL List_HidDevices(char* text, int capacity) {
    return talun::hiddriver::Guarded(
        "List_HidDevices", -1,
        [&](talun::hiddriver::HidDriver& driver) { return driver.ListDevices(text, capacity); });
}

#ifndef HIDDRIVER_STDCALL
static_assert(std::is_same_v<decltype(&List_HidDevices), ListDevicesFn>);
#endif
