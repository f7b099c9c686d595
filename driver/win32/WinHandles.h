// Owners for the Windows handles of the HID driver: each is released on every path.
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
#include <utility>

namespace talun::hiddriver {

// A kernel object handle; INVALID_HANDLE_VALUE and null both mean none.
class UniqueHandle {
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset() {
        if (Valid()) ::CloseHandle(handle_);
        handle_ = nullptr;
    }

  private:
    HANDLE handle_ = nullptr;
};

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
