// The slots of the mice a driver library can tell apart. A mouse is known by its
// system path (the path its interfaces and collections share, such as its USB
// device's); it gets the lowest free slot when its first interface arrives and
// keeps it until its last one leaves. Not thread-safe: its owner locks.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace talun::hiddriver {

// One HID interface or collection of a mouse, as a monitor or an enumeration
// sees it.
struct MouseInterface {
    std::string mousePath;      // shared by all interfaces of the mouse
    std::string interfacePath;  // this interface's own
};

class MouseSlots {
  public:
    // An interface of the mouse is there. The mouse's slot when this is its first
    // interface (it was not plugged in until now); else nothing.
    std::optional<int> Arrived(const MouseInterface& seen);
    // The interface left. The mouse's slot when it was its last; else nothing.
    std::optional<int> Removed(const std::string& interfacePath);

    // What is there now, all of it: mice no longer there leave, mice still there
    // keep their slots (with the interfaces seen now), new ones get slots in the
    // order seen.
    void Sync(const std::vector<MouseInterface>& seen);

    std::optional<int> SlotOf(const std::string& mousePath) const;
    // Every slot that holds a mouse, in rising order.
    std::vector<int> Slots() const;

  private:
    struct Mouse {
        int slot;
        std::set<std::string> interfaces;
    };
    int FreeSlot() const;

    std::map<std::string, Mouse> mice_;  // by mouse path
};

// The mouse a Linux hidraw node belongs to: its USB device's sysfs path, which
// every interface and collection of the mouse shares. From the node's sysfs path
// ".../1-2/1-2:1.0/0003:1A2B:3C4D.0001/hidraw/hidraw0" it is ".../1-2"; works
// after removal, when only the path is left. A path of another shape (no USB
// interface above the HID device) is its own.
std::string LinuxMousePath(const std::string& hidrawSysPath);

// Whether a Windows device instance ID names a HID collection ("HID\...") or a
// USB interface of a composite device ("USB\VID_xxxx&PID_xxxx&MI_xx\..."): the
// mouse itself is the nearest ancestor that is neither.
bool IsHidCollectionOrUsbInterface(const std::string& instanceId);

}  // namespace talun::hiddriver
