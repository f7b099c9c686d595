#include "cli/ProgramFiles.h"

#include "device/DriverLibrary.h"

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

}  // namespace talun::cli
