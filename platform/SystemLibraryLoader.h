// The operating system's library loader (dlopen / LoadLibraryEx).
//
// Only full paths are accepted: "/..." on POSIX systems, "X:\..." or a network
// path "\\server\share\..." on Windows. Anything else is refused without asking
// the system, so a bare name can never be looked up on a search path. On Windows
// the library's own dependencies are looked for in its folder first.
#pragma once

#include <memory>

#include "platform/LibraryLoader.h"

namespace talun {

std::unique_ptr<LibraryLoader> MakeSystemLibraryLoader();

}  // namespace talun
