// The HID interfaces that Windows knows, through SetupAPI and hid.dll.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver/common/DeviceMatch.h"
#include "driver/win32/WinHandles.h"
#include "platform/win32/SystemErrorText.h"

namespace talun::hiddriver {

// The interface paths of every HID device present. On failure sets error.
std::vector<std::string> HidInterfacePaths(std::string& error);

// Every HID collection present with its identifiers, capabilities and product
// text. Collections that cannot be opened even for attributes are left out.
// With vendorId/productId nonzero, capabilities are only fetched for that device.
std::vector<HidCandidate> EnumerateHidInterfaces(uint16_t vendorId, uint16_t productId,
                                                 std::string& error);

// Opens an interface for feature reports: read/write access, or, where Windows
// refuses that (it holds a mouse's own collections exclusively), no access at
// all, which still allows feature reports. On failure sets error.
UniqueFileHandle OpenHidInterface(const std::string& path, std::string& error);

// Wide text as single-byte text, at most maxChars characters; characters beyond
// ASCII become '?'.
std::string NarrowAscii(const wchar_t* text, std::size_t maxChars);

}  // namespace talun::hiddriver
