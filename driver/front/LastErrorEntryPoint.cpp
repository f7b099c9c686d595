// Optional entry point: why the library's last call failed.
#include <type_traits>

#include "device/HidDriverApi.h"
#include "driver/common/FeatureReport.h"
#include "driver/front/EntryGuard.h"

extern "C" HIDDRIVER_EXPORT int HIDDRIVER_CALL Get_LastErrorText(char* text, int capacity) {
    return talun::hiddriver::Guarded(
        "Get_LastErrorText", 0, [&](const talun::hiddriver::HidDriver& driver) {
            return talun::hiddriver::CopyText(driver.LastErrorText(), text, capacity);
        });
}

#ifndef HIDDRIVER_STDCALL
static_assert(std::is_same_v<decltype(&Get_LastErrorText), LastErrorTextFn>);
#endif
