// The HID devices that hidapi's hidraw backend can see, with what their report
// descriptors say about feature reports.
#pragma once

#include <string>
#include <vector>

#include "driver/common/DeviceMatch.h"
#include "driver/common/ReportDescriptor.h"

namespace talun::hiddriver {

// Every HID collection of the given vendor and product (0, 0: of every device).
// On failure returns nothing and sets error.
std::vector<HidCandidate> EnumerateHidraw(uint16_t vendorId, uint16_t productId,
                                          std::string& error);

// The report descriptor of a hidraw node ("/dev/hidrawN"), read from sysfs, which
// needs no access to the node itself. Empty collections when it cannot be read.
ReportDescriptorInfo ReadHidrawDescriptor(const std::string& devicePath);

// The mouse a hidraw node ("/dev/hidrawN") belongs to, as the device monitor
// knows it: its USB device's sysfs path (LinuxMousePath of the node's sysfs
// path). Empty when the node has no sysfs directory.
std::string HidrawMousePath(const std::string& devicePath);

// hidapi's wide text as single-byte text; characters beyond ASCII become '?'.
std::string NarrowText(const wchar_t* text);

}  // namespace talun::hiddriver
