// Owners for the SetupAPI and HID objects of the Windows driver (kernel handles:
// platform/win32/UniqueHandle.h); each is released on every path.
#pragma once

#include <windows.h>
// clang-format off
#include <setupapi.h>
#include <dbt.h>
// MinGW's HID headers declare hid.dll's functions without C linkage.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
// clang-format on

#include <memory>
#include <type_traits>

#include "platform/win32/UniqueHandle.h"

namespace talun::hiddriver {

struct DeviceInfoListFree {
    using pointer = HDEVINFO;
    void operator()(HDEVINFO set) const {
        if (set != INVALID_HANDLE_VALUE) ::SetupDiDestroyDeviceInfoList(set);
    }
};
using UniqueDeviceInfoList = std::unique_ptr<std::remove_pointer_t<HDEVINFO>, DeviceInfoListFree>;

struct PreparsedDataFree {
    void operator()(PHIDP_PREPARSED_DATA data) const { ::HidD_FreePreparsedData(data); }
};
using UniquePreparsedData =
    std::unique_ptr<std::remove_pointer_t<PHIDP_PREPARSED_DATA>, PreparsedDataFree>;

struct DeviceNotificationFree {
    void operator()(HDEVNOTIFY notify) const { ::UnregisterDeviceNotification(notify); }
};
using UniqueDeviceNotification =
    std::unique_ptr<std::remove_pointer_t<HDEVNOTIFY>, DeviceNotificationFree>;

}  // namespace talun::hiddriver
