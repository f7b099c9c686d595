#include "cli/ProgramFiles.h"

#include "device/DriverLibrary.h"
#include "platform/PeImage.h"

namespace talun::cli {

std::optional<InstalledLayout> PackagedLayout() {
#if defined(TALUN_INSTALLED_PROGRAM_DIR) && defined(TALUN_INSTALLED_LIBRARY_DIR) && \
    defined(TALUN_INSTALLED_CONFIG_DIR)
    return InstalledLayout{TALUN_INSTALLED_PROGRAM_DIR "/", TALUN_INSTALLED_LIBRARY_DIR "/",
                           TALUN_INSTALLED_CONFIG_DIR "/"};
#else
    return std::nullopt;
#endif
}

FileFolders FoldersToSearch(const std::string& programDirectory,
                            const std::optional<InstalledLayout>& layout) {
    FileFolders folders{{programDirectory}, {programDirectory}};
    if (layout && programDirectory == layout->programDirectory) {
        folders.driver.push_back(layout->libraryDirectory);
        folders.settings.push_back(layout->configDirectory);
    }
    return folders;
}

std::optional<std::string> FindInFolders(const std::vector<std::string>& folders,
                                         const std::string& name, std::size_t maxLength,
                                         const std::function<bool(const std::string&)>& exists) {
    for (const std::string& folder : folders) {
        const std::optional<std::string> path = JoinBoundedPath(folder, name, maxLength);
        if (path && exists(*path)) return path;
    }
    return std::nullopt;
}

namespace {

bool IsWindowsProgram() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

std::string FileName(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}

}  // namespace

std::string OtherBitnessProblem(const std::string& libraryPath) {
    const int bits = IsWindowsProgram() ? PeImageBitsOfFile(libraryPath) : 0;
    if (bits == 0 || bits == ProgramBits()) return std::string();
    const std::string build = std::to_string(bits) + "-bit";
    return FileName(libraryPath) + " is a " + build + " library; use the " + build +
           " talun-r5.exe";
}

std::string LibraryBitnessNote(const std::string& libraryPath) {
    const int bits = IsWindowsProgram() ? PeImageBitsOfFile(libraryPath) : 0;
    if (bits == 0) return std::string();
    const std::string build = std::to_string(bits) + "-bit";
    return "a " + build + " library, " +
           (bits == ProgramBits() ? "as this talun-r5.exe is"
                                  : "for the " + build + " talun-r5.exe");
}

}  // namespace talun::cli
