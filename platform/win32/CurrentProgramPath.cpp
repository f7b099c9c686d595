#include <windows.h>

#include <vector>

#include "platform/ProgramDirectory.h"

namespace talun {

std::string CurrentProgramPath() {
    // GetModuleFileNameA fills the whole buffer when the path does not fit:
    // grow it until the path and its terminator fit; paths may be longer than
    // MAX_PATH (up to 32767 characters). It starts small on purpose, so that the
    // growing is what every run does, not a path taken once in a while.
    for (DWORD size = 64; size <= 65536; size *= 2) {
        std::vector<char> buffer(size);
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            return std::string(buffer.data(), length);
        }
    }
    return {};
}

}  // namespace talun
