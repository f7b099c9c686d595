// A umockdev test bed of emulated Talun R5 mice: for each mouse a USB device,
// its interface, the HID device and the hidraw node, with what hidapi and
// libudev read of them, and one ioctl handler that answers the hidraw ioctls
// as each mouse would (EmulatedMouse). Plugging and unplugging are uevents.
//
// The process must run under umockdev's preload library (umockdev-wrapper);
// programs it starts inherit the test bed. What umockdev 0.17.16 needs is done
// here (UmockBed.cpp says what and why), never in the driver library.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/umock/EmulatedMouse.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace talun::umock {

class UmockBed {
  public:
    UmockBed();
    // Unplugs every mouse and removes the test bed's folder.
    ~UmockBed();
    UmockBed(const UmockBed&) = delete;
    UmockBed& operator=(const UmockBed&) = delete;

    // True when the process runs under umockdev's preload library.
    static bool Preloaded();

    // A mouse on a port of its own (1, 2, ...), not plugged in yet; its number.
    int Add(MouseSpec spec = {});
    void Plug(int mouse);
    void Unplug(int mouse);
    // Waits until a mouse that its fault plan unplugged is out of sysfs too.
    bool WaitUnplugged(int mouse);

    EmulatedMouse& Mouse(int mouse);
    // "/dev/hidrawN" and the USB device's sysfs path, as the library names them.
    std::string Node(int mouse) const;
    std::string UsbPath(int mouse) const;
    // The node's file in the test bed (to change its mode).
    std::string NodeFile(int mouse) const;

  private:
    struct Entry {
        std::unique_ptr<EmulatedMouse> mouse;
        bool inSysfs = false;
        bool handlerAttached = false;
    };
    std::string Record(int mouse) const;
    std::vector<std::string> SysPaths(int mouse) const;  // hidraw, HID, interface, USB
    void RemoveFromSysfs(int mouse);
    static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    void Answer(UMockdevIoctlClient* client);
    void RunUnplugger();

    UMockdevTestbed* testbed_ = nullptr;
    UMockdevIoctlBase* handler_ = nullptr;
    std::string root_;
    std::mutex bedMutex_;   // every call into the test bed
    std::mutex miceMutex_;  // mice_ and byNode_; never held while calling the test bed
    std::deque<Entry> mice_;
    std::map<std::string, EmulatedMouse*> byNode_;
    // Mice that their fault plan unplugged, for the unplugger thread.
    std::mutex leftMutex_;
    std::condition_variable leftChanged_;
    std::vector<int> left_;  // guarded by leftMutex_
    bool stopping_ = false;  // guarded by leftMutex_
    std::thread unplugger_;
};

}  // namespace talun::umock
