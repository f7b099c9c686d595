// Where talun-r5 finds its driver library and default.ini when no option names
// them: beside the program first, as unpacked from a zip or a tarball; then, for
// the program that the Debian package installed, in that package's folders.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talun::cli {

// The folders of an installed copy, each ending in '/'.
struct InstalledLayout {
    std::string programDirectory;  // the installed program, e.g. "/usr/bin/"
    std::string libraryDirectory;  // its driver library, e.g. "/usr/lib/talun-r5/"
    std::string configDirectory;   // default.ini and hiddriver.ini, e.g. "/etc/talun-r5/"
};

// The layout that this build's Debian package installs; nothing in a build
// that has none (Windows).
std::optional<InstalledLayout> PackagedLayout();

// The folders to look in, in order, for a program in programDirectory. The
// installed layout's folders are searched only by the installed program, so a
// copy elsewhere never picks up the installed library in place of its own.
struct FileFolders {
    std::vector<std::string> driver;    // for the driver library
    std::vector<std::string> settings;  // for default.ini
};
FileFolders FoldersToSearch(const std::string& programDirectory,
                            const std::optional<InstalledLayout>& layout);

// folder + name of the first folder that holds the file (exists says whether
// one does); nothing when none does. A path longer than maxLength is not tried.
std::optional<std::string> FindInFolders(const std::vector<std::string>& folders,
                                         const std::string& name, std::size_t maxLength,
                                         const std::function<bool(const std::string&)>& exists);

// Windows programs only (empty elsewhere): for a library file of the other
// bitness, which the system cannot load into this program, what to do instead:
// "hiddriver.dll is a 32-bit library; use the 32-bit talun-r5.exe". Empty for
// any other file.
std::string OtherBitnessProblem(const std::string& libraryPath);

// Windows programs only (empty elsewhere): which build of talun-r5 the library
// needs, e.g. "a 64-bit library, as this talun-r5.exe is".
std::string LibraryBitnessNote(const std::string& libraryPath);

}  // namespace talun::cli
