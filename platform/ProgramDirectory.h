// Where the program lives: the driver library and the settings file sit beside it.
#pragma once

#include <string>

namespace talun {

// The directory part of programPath, always ending in a separator.
//
// A path starting with '/' is a POSIX path: everything up to and including the
// last '/'. Any other path is split as Windows splits it: an optional drive
// ("C:"), then the directory up to and including the last '\' or '/'; a
// directory that does not end in a separator gets a '\'. So "C:\prog.exe" gives
// "C:\", "\\server\share\dir\prog.exe" gives "\\server\share\dir\", and a path
// without any directory gives only its drive ("C:prog.exe" -> "C:") or "".
// The result is not limited in length; see PathLimits.h.
std::string ProgramDirectoryFromPath(const std::string& programPath);

// The full path of the running program's file, never truncated; "" when the
// system cannot say.
std::string CurrentProgramPath();

}  // namespace talun
