// The longest path the program works with, in characters (without the terminator).
// On Windows the program keeps its paths in buffers of MAX_PATH (260) characters,
// so 259 is what fits; elsewhere PATH_MAX (4096) is the limit. A path that does
// not fit counts as a missing file.
#pragma once

#include <cstddef>

namespace talun {

#ifdef _WIN32
inline constexpr std::size_t kMaxPathLength = 259;
#else
inline constexpr std::size_t kMaxPathLength = 4095;
#endif

}  // namespace talun
