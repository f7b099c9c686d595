// A mouse's identity as a driver library gives it (Get_FeatureDeviceSlotIdentity):
// where it is plugged in, its own serial, and its system path. Plain text, one
// "key=value" line each, so that any library and any front end can share it.
#pragma once

#include <string>

namespace talun::hiddriver {

struct MouseIdentity {
    // The physical place on the host, stable while the hub is wired the same way
    // (Linux: the USB bus and port chain, "1-1.4"); empty when unknown.
    std::string port;
    // The USB serial string; empty when the mouse has none.
    std::string serial;
    // The system's path of the mouse (its USB device).
    std::string path;
};

// "port=1-1.4\nserial=AB12\npath=/sys/...\n": empty values are left out, and a
// line end or other control character in a value becomes '?', so that every
// value stays on its line.
std::string FormatMouseIdentity(const MouseIdentity& identity);

// The identity of a Linux USB device from its sysfs directory (the mouse path of
// its hidraw nodes): port from the directory's name when it is a USB device's
// ("<bus>-<port>[.<port>...]"), serial from its "serial" attribute. A path of
// another shape (Bluetooth, uhid) has neither.
MouseIdentity LinuxUsbIdentity(const std::string& usbDeviceSysPath);

}  // namespace talun::hiddriver
