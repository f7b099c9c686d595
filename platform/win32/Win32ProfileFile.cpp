#include "platform/win32/Win32ProfileFile.h"

#include <windows.h>

#include <cstring>
#include <limits>
#include <vector>

#include "platform/PathLimits.h"
#include "platform/SystemProfileFile.h"

namespace talun {
namespace {

// The full path of path; "" when the system cannot make one.
std::string FullPath(const std::string& path) {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()),
                                                buffer.data(), nullptr);
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::string(buffer.data(), length);
        }
        buffer.resize(length);  // the size needed, terminator included
    }
}

}  // namespace

std::string Win32ProfileFile::ReadString(const std::string& path, const std::string& section,
                                         const std::string& key, const std::string& defaultValue,
                                         std::size_t bufferSize) const {
    if (bufferSize == 0) {
        return {};
    }
    // The system reader keeps paths in MAX_PATH buffers: a longer one counts as
    // a file that cannot be opened.
    const std::string fullPath = path.empty() ? std::string() : FullPath(path);
    if (fullPath.empty() || fullPath.size() > kMaxPathLength ||
        bufferSize > std::numeric_limits<DWORD>::max()) {
        return defaultValue.substr(0, bufferSize - 1);
    }
    std::vector<char> buffer(bufferSize, '\0');
    ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                               static_cast<DWORD>(bufferSize), fullPath.c_str());
    return std::string(buffer.data(), ::strnlen(buffer.data(), bufferSize - 1));
}

std::unique_ptr<ProfileFile> MakeSystemProfileFile() {
    return std::make_unique<Win32ProfileFile>();
}

}  // namespace talun
