// Where talun-r5 looks for its driver library and default.ini.
#include <gtest/gtest.h>

#include <set>

#include "cli/ProgramFiles.h"

namespace talun::cli {
namespace {

using Folders = std::vector<std::string>;

const InstalledLayout kLayout{"/usr/bin/", "/usr/lib/talun-r5/", "/etc/talun-r5/"};

struct FakeFiles {
    std::set<std::string> present;
    std::function<bool(const std::string&)> Exists() const {
        return [this](const std::string& path) { return present.count(path) > 0; };
    }
};

TEST(ProgramFiles, TheInstalledProgramLooksBesideItselfFirstThenInTheInstalledFolders) {
    const FileFolders folders = FoldersToSearch("/usr/bin/", kLayout);
    EXPECT_EQ(folders.driver, (Folders{"/usr/bin/", "/usr/lib/talun-r5/"}));
    EXPECT_EQ(folders.settings, (Folders{"/usr/bin/", "/etc/talun-r5/"}));

    FakeFiles files{{"/usr/lib/talun-r5/libhiddriver.so", "/etc/talun-r5/default.ini"}};
    EXPECT_EQ(FindInFolders(folders.driver, "libhiddriver.so", 4096, files.Exists()),
              "/usr/lib/talun-r5/libhiddriver.so");
    EXPECT_EQ(FindInFolders(folders.settings, "default.ini", 4096, files.Exists()),
              "/etc/talun-r5/default.ini");
    files.present.insert("/usr/bin/libhiddriver.so");
    EXPECT_EQ(FindInFolders(folders.driver, "libhiddriver.so", 4096, files.Exists()),
              "/usr/bin/libhiddriver.so");
    EXPECT_EQ(FindInFolders(folders.driver, "hiddriver.dll", 4096, files.Exists()), std::nullopt);
}

TEST(ProgramFiles, ACopyElsewhereOrABuildWithoutALayoutLooksOnlyBesideItself) {
    for (const std::string directory : {"/home/op/talun-r5/", "/usr/bin/talun/", "/usr/"}) {
        EXPECT_EQ(FoldersToSearch(directory, kLayout).driver, Folders{directory});
        EXPECT_EQ(FoldersToSearch(directory, kLayout).settings, Folders{directory});
    }
    EXPECT_EQ(FoldersToSearch("/usr/bin/", std::nullopt).driver, Folders{"/usr/bin/"});
}

TEST(ProgramFiles, APathLongerThanTheLimitIsNotTried) {
    const FakeFiles files{{"/usr/lib/talun-r5/libhiddriver.so"}};
    const Folders folders = FoldersToSearch("/usr/bin/", kLayout).driver;
    const std::size_t fits = std::string("/usr/lib/talun-r5/libhiddriver.so").size();
    EXPECT_TRUE(FindInFolders(folders, "libhiddriver.so", fits, files.Exists()));
    EXPECT_FALSE(FindInFolders(folders, "libhiddriver.so", fits - 1, files.Exists()));
}

}  // namespace
}  // namespace talun::cli
