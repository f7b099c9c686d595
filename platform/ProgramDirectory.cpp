#include "platform/ProgramDirectory.h"

namespace talun {

std::string ProgramDirectoryFromPath(const std::string& programPath) {
    if (!programPath.empty() && programPath.front() == '/') {
        return programPath.substr(0, programPath.rfind('/') + 1);
    }

    // Windows: drive letter and colon, then the directory up to the last separator.
    std::string drive;
    std::string rest = programPath;
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 2);
        rest.erase(0, 2);
    }
    const std::size_t lastSeparator = rest.find_last_of("\\/");
    std::string directory =
        lastSeparator == std::string::npos ? std::string() : rest.substr(0, lastSeparator + 1);
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') {
        directory += '\\';
    }
    return drive + directory;
}

}  // namespace talun
