// The directory of the binary that holds the calling code: the driver library's
// own folder when this is linked into a library, the program's otherwise.
#pragma once

#include <string>

namespace talun {

// Ends in the platform's separator ('\' on Windows, '/' elsewhere); "." and a
// separator when the system cannot say. Never truncated.
std::string LibraryDirectory();

}  // namespace talun
