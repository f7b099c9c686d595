#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <fstream>
#include <string>

#include "platform/ProgramDirectory.h"
#include "platform/SystemLibraryLoader.h"
#include "tests/support/ScratchDir.h"

namespace talun {
namespace {

using AnswerFn = int (*)();

// The test library is built beside the test program, as the driver library
// sits beside the tool.
std::string TestLibraryPath() {
    return ProgramDirectoryFromPath(CurrentProgramPath()) + TALUN_TESTLIB_NAME;
}

TEST(SystemLibraryLoader, LoadsByFullPathAndResolvesExports) {
    const auto loader = MakeSystemLibraryLoader();
    const auto library = loader->Load(TestLibraryPath());
    ASSERT_NE(library, nullptr) << loader->LastError();
    EXPECT_EQ(loader->LastError(), "");

    const auto answer = reinterpret_cast<AnswerFn>(library->Resolve("talun_testlib_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(library->Resolve("Open_DevMonitor"), nullptr);
    EXPECT_EQ(library->Resolve(""), nullptr);
    EXPECT_EQ(library->Resolve(nullptr), nullptr);
}

TEST(SystemLibraryLoader, FindsALibrarysDependencyInItsOwnFolder) {
    const auto loader = MakeSystemLibraryLoader();
    const auto library =
        loader->Load(ProgramDirectoryFromPath(CurrentProgramPath()) + TALUN_TESTLIB_OUTER);
    ASSERT_NE(library, nullptr) << loader->LastError();
    const auto outer = reinterpret_cast<AnswerFn>(library->Resolve("talun_testlib_outer"));
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer(), 70);
}

#ifdef _WIN32
TEST(SystemLibraryLoader, FindsTheDependencyWhenTheProcessSearchPathIsRestricted) {
    // The window takes the current folder out of the search path and, where the
    // system offers it, searches the system folder only; the driver library's
    // own dependencies must still come from its folder. (This stays in effect for
    // the rest of the test program, which loads everything by full path.)
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    ASSERT_NE(setDefault, nullptr);
    ASSERT_TRUE(setDefault(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */));
    ASSERT_TRUE(::SetDllDirectoryA(""));

    const auto loader = MakeSystemLibraryLoader();
    const auto library =
        loader->Load(ProgramDirectoryFromPath(CurrentProgramPath()) + TALUN_TESTLIB_OUTER);
    ASSERT_NE(library, nullptr) << loader->LastError();
    const auto outer = reinterpret_cast<AnswerFn>(library->Resolve("talun_testlib_outer"));
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer(), 70);
}
#endif

TEST(SystemLibraryLoader, RefusesAnythingButAFullPath) {
    const auto loader = MakeSystemLibraryLoader();
    // Names the system would find on its search path, relative names, and a
    // path that a NUL would silently shorten.
    const std::string refused[] = {
#ifdef _WIN32
        "kernel32.dll",
        "kernel32",
        "C:kernel32.dll",
        "\\windows\\system32\\kernel32.dll",
        "system32\\kernel32.dll",
        ".\\" TALUN_TESTLIB_NAME,
#else
        "libc.so.6",
        "libdl.so.2",
        "lib/libc.so.6",
#endif
        TALUN_TESTLIB_NAME,
        "./" TALUN_TESTLIB_NAME,
        "",
        TestLibraryPath() + std::string(1, '\0') + "x"};
    for (const std::string& path : refused) {
        EXPECT_EQ(loader->Load(path), nullptr) << path;
        EXPECT_NE(loader->LastError().find("not a full path"), std::string::npos) << path;
    }
}

TEST(SystemLibraryLoader, SaysWhyAFullPathDidNotLoad) {
    const auto loader = MakeSystemLibraryLoader();
    const std::string directory = ProgramDirectoryFromPath(CurrentProgramPath());

    EXPECT_EQ(loader->Load(directory + "no-such-library.dll"), nullptr);
    const std::string missing = loader->LastError();
#ifdef _WIN32
    EXPECT_EQ(missing.rfind("LoadLibrary failed: error 126 (", 0), 0u) << missing;
#else
    EXPECT_NE(missing.find("no-such-library.dll"), std::string::npos) << missing;
#endif

    // A file that is there but is no library.
    test::ScratchDir scratch("loader");
    const std::string notALibrary = scratch.File("not-a-library.dll");
    std::ofstream(notALibrary) << "not a library\n";
    EXPECT_EQ(loader->Load(notALibrary), nullptr);
    EXPECT_FALSE(loader->LastError().empty());
    EXPECT_NE(loader->LastError(), missing);
}

}  // namespace
}  // namespace talun
