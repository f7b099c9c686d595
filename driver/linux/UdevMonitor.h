// The device monitor of the Linux driver: a thread on a udev monitor of the hidraw
// subsystem that tells the event sink when a mouse of the configured identifiers
// arrives (wParam 1) or leaves (wParam 0), lParam its slot. Each hidraw node is
// noted by its sysfs path under its mouse's USB device (LinuxMousePath).
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "driver/api/HidDriverApi.h"
#include "driver/common/DeviceMatch.h"
#include "driver/common/DriverConfig.h"
#include "driver/front/DeviceDriver.h"
#include "driver/linux/UdevHandles.h"

namespace talun::hiddriver {

class UdevMonitor final : public PlugMonitor {
  public:
    // Starts watching. Returns nullptr, with the reason in error, when udev or its
    // netlink socket is not available (as in many containers). A monitor that
    // runs but will hear nothing, because no udev daemon runs, sets warning.
    static std::unique_ptr<UdevMonitor> Start(const DriverConfig& config, HidEventSink* sink,
                                              unsigned plugMessage, MouseSlotNotes& notes,
                                              std::string& error, std::string& warning);
    // Stops the thread and waits for it.
    ~UdevMonitor() override;

    struct Key {  // only Start makes monitors
      private:
        Key() = default;
        friend class UdevMonitor;
    };
    UdevMonitor(Key, const DriverConfig& config, HidEventSink* sink, unsigned plugMessage,
                MouseSlotNotes& notes);

    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

  private:
    void Run();
    void OnDevice(udev_device* device);
    bool IsMouse(udev_device* device) const;
    void NotePresent();
    void Post(uintptr_t wParam, int slot);

    DriverConfig config_;
    HidEventSink* sink_;
    unsigned plugMessage_;
    UdevPtr udev_;
    UdevMonitorPtr monitor_;
    FileDescriptor stop_;
    MouseSlotNotes& notes_;
    std::thread thread_;
};

}  // namespace talun::hiddriver
