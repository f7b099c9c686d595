// Which mouse is in a slot, as its driver library tells (the optional entry
// point Get_FeatureDeviceSlotIdentity): where it is plugged in, its serial, its
// system path.
#pragma once

#include <optional>
#include <string>

#include "device/DriverLibrary.h"

namespace talun {

struct MouseIdentity {
    std::string port;    // the physical place on the host; empty: unknown
    std::string serial;  // the USB serial string; empty: none
    std::string path;    // the system's path of the mouse; empty: unknown
};

// The identity text's "key=value" lines; unknown keys and other lines are
// passed over, so that a library may say more than this tool reads.
MouseIdentity ParseMouseIdentity(const std::string& text);

// The identity of the mouse in slot; nothing when the library cannot say (it
// lacks the entry point) or the slot holds no mouse.
std::optional<MouseIdentity> ReadSlotIdentity(const DriverLibrary& library, int slot);

}  // namespace talun
