// The device monitor of the Windows driver: its own thread with a message-only
// window registered for HID interface notifications. When a mouse of the
// configured identifiers arrives (its first interface) or leaves (its last), it
// posts the plug message with wParam 1 or 0 and lParam the mouse's slot to the
// tool's window; the slots are noted with the front by mouse (MouseOfInterface).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "driver/common/DeviceMatch.h"
#include "driver/common/DriverConfig.h"
#include "driver/front/DeviceDriver.h"
#include "driver/win32/WinHandles.h"

namespace talun::hiddriver {

class DeviceMonitor final : public PlugMonitor {
  public:
    // Starts the thread and waits until its window listens. nullptr, with the
    // reason in error, when that fails.
    static std::unique_ptr<DeviceMonitor> Start(const DriverConfig& config, HWND target,
                                                UINT plugMessage, MouseSlotNotes& notes,
                                                std::string& error);
    // Closes the window, which ends the thread, and waits for the thread.
    ~DeviceMonitor() override;

    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;

    struct Key {  // only Start makes monitors
      private:
        Key() = default;
        friend class DeviceMonitor;
    };
    DeviceMonitor(Key, const DriverConfig& config, HWND target, UINT plugMessage,
                  MouseSlotNotes& notes);

  private:
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    bool Listen();
    void OnDeviceChange(WPARAM event, LPARAM data);
    void NotePresent();

    DriverConfig config_;
    HWND target_;
    UINT plugMessage_;
    MouseSlotNotes& notes_;  // told by the monitor thread only
    HMODULE module_ = nullptr;
    UniqueHandle ready_;
    UniqueHandle thread_;
    DWORD threadId_ = 0;
    // Touched by the monitor thread only (Start reads them after ready_).
    HWND window_ = nullptr;
    std::string startError_;
    UniqueDeviceNotification notification_;
    GUID hidGuid_{};
};

}  // namespace talun::hiddriver
