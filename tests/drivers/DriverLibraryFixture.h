// A copy of the built driver library in a directory of its own, beside an
// hiddriver.ini of the test's choosing, loaded by full path as the tool loads it.
// Each copy is a separate instance of the library with its own state.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/ProgramDirectory.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestLibrary.h"
#include "tests/support/WaitUntil.h"

namespace talun::hiddriver::test {

using talun::test::ScratchDir;
using talun::test::WaitUntil;

namespace fs = std::filesystem;

#ifdef _WIN32
inline constexpr const char* LIBRARY_FILE = "hiddriver.dll";
#else
inline constexpr const char* LIBRARY_FILE = "libhiddriver.so";
#endif

// Where the build put the library: HIDDRIVER_DIR_FROM_TEST is relative to the
// directory of the test program, so the same build tree works under Wine.
inline fs::path BuiltLibraryDirectory() {
    const fs::path self(ProgramDirectoryFromPath(CurrentProgramPath()));
    return (self / HIDDRIVER_DIR_FROM_TEST).lexically_normal();
}

// hiddriver.ini text for a mouse with these identifiers.
inline std::string IniFor(const char* vendorId, const char* productId,
                          const std::string& more = "") {
    return std::string("[Device]\nVendorId=") + vendorId + "\nProductId=" + productId + "\n" + more;
}

// The copy's directory, made before the library is placed in it and gone after.
struct CopyDirectory {
    ScratchDir directory{"hiddriver-test"};
};

class DriverCopy : private CopyDirectory, public talun::test::DriverUnderTest {
  public:
    // ini: the text of hiddriver.ini beside the copy; nullopt for none at all;
    // SHIPPED for the file the build put beside the library.
    static constexpr const char* SHIPPED = "<shipped>";

    explicit DriverCopy(const std::optional<std::string>& ini)
        : DriverUnderTest(PlaceLibrary(directory.Path(), ini)),
          libraryPath((directory.Path() / LIBRARY_FILE).string()) {}

    DriverCopy(const DriverCopy&) = delete;
    DriverCopy& operator=(const DriverCopy&) = delete;

    std::string LastError() const {
        char text[1024];
        Get_LastErrorText(text, sizeof text);
        return text;
    }

    const std::string libraryPath;  // where the copy is, for a program to load it

  private:
    static std::string PlaceLibrary(const fs::path& directory,
                                    const std::optional<std::string>& ini) {
        const fs::path built = BuiltLibraryDirectory();
        fs::copy_file(built / LIBRARY_FILE, directory / LIBRARY_FILE);
        if (ini && *ini == SHIPPED) {
            fs::copy_file(built / "hiddriver.ini", directory / "hiddriver.ini");
        } else if (ini) {
            std::ofstream(directory / "hiddriver.ini", std::ios::binary) << *ini;
        }
        return (directory / LIBRARY_FILE).string();
    }
};

}  // namespace talun::hiddriver::test
