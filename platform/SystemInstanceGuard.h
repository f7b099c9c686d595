// The instance guard of this platform.
//
// Windows: the window's own guard, the named mutex INSTANCE_GUARD_NAME, which
// talun-r5 creates as the window does; beside it talun-r5 keeps a marker mutex
// of its own (COMMAND_LINE_MARKER_NAME), so that a guard with a marker is another
// talun-r5 and a guard without one is the window. A window started while
// talun-r5 holds the guard ends silently, as for a second copy of itself.
//
// Elsewhere: an exclusive flock() on one file that every user of the machine can
// open, DEFAULT_GUARD_FILE (or the file named by GUARD_FILE_VARIABLE, for
// programs that see a /tmp of their own; every talun-r5 of the machine must then
// name the same file). The lock goes with the process however it ends, kill -9
// included; the file itself stays and is harmless.
#pragma once

#include <memory>

#include "platform/InstanceGuard.h"

namespace talun {

inline constexpr char COMMAND_LINE_MARKER_NAME[] = "Gaming_Mouse_Korvane_talun-r5";
inline constexpr char DEFAULT_GUARD_FILE[] = "/tmp/talun-r5.lock";
inline constexpr char GUARD_FILE_VARIABLE[] = "TALUN_R5_GUARD_FILE";

std::unique_ptr<InstanceGuard> MakeSystemInstanceGuard();

}  // namespace talun
