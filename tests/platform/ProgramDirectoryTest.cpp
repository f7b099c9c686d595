#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/ProgramDirectory.h"
#include "tests/platform/IniCorpus.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScratchDir.h"

namespace talun {
namespace {

namespace fs = std::filesystem;

TEST(ProgramDirectoryFromPath, SplitsWindowsPathsAsWindowsDoes) {
    struct Case {
        const char* path;
        const char* directory;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Talun\\R5Update.exe", "C:\\Program Files\\Talun\\"},
        {"C:\\R5Update.exe", "C:\\"},                                              // drive root
        {"\\\\server\\share\\tools\\R5Update.exe", "\\\\server\\share\\tools\\"},  // network share
        {"\\\\server\\share\\R5Update.exe", "\\\\server\\share\\"},
        {"C:/Program Files/Talun/R5Update.exe", "C:/Program Files/Talun/"},  // forward slashes
        {"C:\\mixed/separators\\R5Update.exe", "C:\\mixed/separators\\"},
        {"D:\\dotted.dir\\name.with.dots", "D:\\dotted.dir\\"},
        {"C:R5Update.exe", "C:"},  // no directory: the drive alone
        {"R5Update.exe", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgramDirectoryFromPath(c.path), c.directory) << c.path;
    }
}

TEST(ProgramDirectoryFromPath, KeepsADeepPathWhole) {
    std::string directory = "C:\\";
    while (directory.size() < 400) {
        directory += "a folder with a long name\\";
    }
    EXPECT_EQ(ProgramDirectoryFromPath(directory + "R5Update.exe"), directory);
}

TEST(ProgramDirectoryFromPath, SplitsPosixPathsAtSlashesOnly) {
    EXPECT_EQ(ProgramDirectoryFromPath("/opt/talun/bin/talun-r5"), "/opt/talun/bin/");
    EXPECT_EQ(ProgramDirectoryFromPath("/talun-r5"), "/");
    // A backslash is an ordinary character in a POSIX file name.
    EXPECT_EQ(ProgramDirectoryFromPath("/home/op/odd\\name"), "/home/op/");
}

TEST(CurrentProgramPath, NamesThisTestProgram) {
    const std::string path = CurrentProgramPath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(fs::path(path).is_absolute()) << path;
    EXPECT_TRUE(fs::is_regular_file(path)) << path;
    EXPECT_NE(path.find("talun_platform_tests"), std::string::npos) << path;
}

TEST(CurrentProgramPath, IsWholeInADeepFolder) {
    // As deep as the system starts programs from: Windows (and Wine) will not
    // start one from a path over MAX_PATH.
#ifdef _WIN32
    const std::size_t length = 250;
#else
    const std::size_t length = 400;
#endif
    const std::string probeName = TALUN_PROBE_NAME;
    const std::string folderName = "a-folder-with-a-long-name";
    test::ScratchDir scratch("deep");
    fs::path deep = scratch.Path();
    while ((deep / folderName / probeName).string().size() <= length) {
        deep /= folderName;
    }
    fs::create_directories(deep);
    const fs::path probe = deep / probeName;
    fs::copy_file(ProgramDirectoryFromPath(CurrentProgramPath()) + probeName, probe);
    const std::string output = scratch.File("reported-path.txt");

    ASSERT_EQ(test::RunChild(probe.string(), {output}).exitCode, 0);

    const std::string reported = inicorpus::ReadWholeFile(output);
    // The loop stops one folder (and its separator) short of the length.
    EXPECT_GE(reported.size(), length - folderName.size());
    EXPECT_TRUE(fs::equivalent(reported, probe)) << reported;
    EXPECT_TRUE(fs::equivalent(ProgramDirectoryFromPath(reported) + probeName, probe));
}

}  // namespace
}  // namespace talun
