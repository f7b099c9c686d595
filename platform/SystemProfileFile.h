// The settings-file reader of this platform: Windows' own private-profile reader
// on Windows, PortableProfileFile (which reads the same way) elsewhere.
#pragma once

#include <memory>

#include "platform/ProfileFile.h"

namespace talun {

std::unique_ptr<ProfileFile> MakeSystemProfileFile();

}  // namespace talun
