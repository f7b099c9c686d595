// The HID interfaces that Windows knows, through SetupAPI and hid.dll.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver/common/DeviceMatch.h"
#include "driver/common/MouseIdentity.h"
#include "driver/common/MouseSlots.h"
#include "driver/win32/WinHandles.h"
#include "platform/win32/SystemErrorText.h"

namespace talun::hiddriver {

// Every HID interface present: its path, and the mouse it belongs to (the device
// node above its HID collection and USB interface, MouseOfInterface). On failure
// sets error.
std::vector<MouseInterface> HidInterfaces(std::string& error);

// The mouse a HID interface belongs to: the instance ID of the nearest ancestor
// of its collection's device node that is neither a HID collection nor a USB
// interface (a composite mouse's collections all share it), in capitals. Where
// Windows cannot tell (the interface has gone, or the node has no parent), the
// identifiers in the path ("VID_xxxx&PID_xxxx"): the library then cannot tell
// mice of these identifiers apart and takes them for one, as a library of one
// mouse does; without identifiers, the path itself in capitals.
std::string MouseOfInterface(const std::string& path);

// Text in capitals: Windows compares device paths and IDs without case, and
// hands out one path in either case (SetupAPI, device notifications).
std::string InCapitals(std::string text);

// Every HID collection present with its identifiers, capabilities and product
// text. Collections that cannot be opened even for attributes are left out.
// With vendorId/productId nonzero, capabilities are only fetched for that device.
std::vector<HidCandidate> EnumerateHidInterfaces(uint16_t vendorId, uint16_t productId,
                                                 std::string& error);

// Opens an interface for feature reports: read/write access, or, where Windows
// refuses that (it holds a mouse's own collections exclusively), no access at
// all, which still allows feature reports. On failure sets error.
UniqueFileHandle OpenHidInterface(const std::string& path, std::string& error);

// Where a mouse is plugged in and its serial: the location that the configuration
// manager gives its USB device node (mousePath, an instance ID), e.g.
// "Port_#0004.Hub_#0003", and the serial string of its HID collection at
// collectionPath. Empty where Windows cannot tell (no such node, no serial).
MouseIdentity UsbIdentity(const std::string& collectionPath, const std::string& mousePath);

// Wide text as single-byte text, at most maxChars characters; characters beyond
// ASCII become '?'.
std::string NarrowAscii(const wchar_t* text, std::size_t maxChars);

}  // namespace talun::hiddriver
