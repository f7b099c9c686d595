#include <unistd.h>

#include <vector>

#include "platform/ProgramDirectory.h"

namespace talun {

std::string CurrentProgramPath() {
    // readlink does not say whether it truncated: grow the buffer until the
    // answer is shorter than the buffer. It starts small on purpose, so that
    // the growing is what every run does, not a path taken once in a while.
    for (std::size_t size = 64; size <= (std::size_t{1} << 20); size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
    }
    return {};
}

}  // namespace talun
