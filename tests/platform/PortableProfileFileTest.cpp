// What the corpus test does not cover: buffer sizes, the size limit, files that
// change, query strings with NULs, speed on hostile files, the platform's reader.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/PortableProfileFile.h"
#include "platform/SystemProfileFile.h"
#include "tests/support/ScratchDir.h"

namespace talun {
namespace {

using namespace std::string_literals;

const std::string kSettings = "[Main Setting]\nBreathing=4\nQuoted=\"abc\"\n";

void WriteFile(const std::string& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
}

std::string Read(const std::string& contents, const std::string& section, const std::string& key,
                 std::size_t bufferSize = 300) {
    return PortableProfileFile::ReadFromContents(contents, section, key, "none", bufferSize);
}

TEST(PortableProfileFile, CutsTheAnswerToTheBuffer) {
    EXPECT_EQ(Read(kSettings, "Main Setting", "Breathing", 0), "");
    EXPECT_EQ(Read(kSettings, "Main Setting", "Breathing", 1), "");
    EXPECT_EQ(Read(kSettings, "Main Setting", "Breathing", 2), "4");
    EXPECT_EQ(Read(kSettings, "Main Setting", "Missing", 3), "no");
    // Quotes go only when the whole value fits; otherwise the last character does.
    EXPECT_EQ(Read(kSettings, "Main Setting", "Quoted", 5), "abc");
    EXPECT_EQ(Read(kSettings, "Main Setting", "Quoted", 4), "ab");
    EXPECT_EQ(Read(kSettings, "Main Setting", "Quoted", 3), "ab");
}

TEST(PortableProfileFile, SeesQueryStringsAsTheCInterfaceDoes) {
    EXPECT_EQ(Read(kSettings, "Main Setting\0junk"s, "Breathing\0junk"s), "4");
    EXPECT_EQ(PortableProfileFile::ReadFromContents(kSettings, "Main Setting", "Missing",
                                                    "dflt\0junk"s, 300),
              "dflt");
}

TEST(PortableProfileFile, TreatsAFileOverTheSizeLimitAsEmpty) {
    test::ScratchDir dir("profile-limit");
    const std::string path = dir.File("default.ini");
    const PortableProfileFile reader(kSettings.size());

    WriteFile(path, kSettings);
    EXPECT_EQ(reader.ReadString(path, "Main Setting", "Breathing", "none", 300), "4");

    WriteFile(path, kSettings + "\n");
    EXPECT_EQ(reader.ReadString(path, "Main Setting", "Breathing", "none", 300), "none");
}

TEST(ProfileFiles, ReadTheFileAfreshEveryTime) {
    // Edits to the settings file count at the next read, for the portable reader
    // and the platform's own.
    test::ScratchDir dir("profile-edit");
    const PortableProfileFile portable;
    const auto system = MakeSystemProfileFile();
    const ProfileFile* readers[] = {&portable, system.get()};
    for (const ProfileFile* reader : readers) {
        const std::string path = dir.File(reader == &portable ? "portable.ini" : "system.ini");
        EXPECT_EQ(reader->ReadString(path, "Main Setting", "Breathing", "none", 300), "none");
        WriteFile(path, "[Main Setting]\nBreathing=4\n");
        EXPECT_EQ(reader->ReadString(path, "Main Setting", "Breathing", "none", 300), "4");
        WriteFile(path, "[Main Setting]\nBreathing=1\n");
        EXPECT_EQ(reader->ReadString(path, "Main Setting", "Breathing", "none", 300), "1");
    }
}

TEST(PortableProfileFile, StaysFastOnHostileFiles) {
    // Each of these would take minutes with a reader that scans the rest of the
    // file for every line or copies every line.
    std::string manyLines = "[Main Setting]\r";
    while (manyLines.size() < 12'000'000) {
        manyLines += "k=v\r \r\r";
    }
    manyLines += "Breathing=4";
    const std::string longLine = "[Main Setting]\nBreathing=" + std::string(15'000'000, '=') + "4";
    std::string manySections;
    while (manySections.size() < 12'000'000) {
        manySections += "[Main Setting]\n[x]\n";
    }

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(manyLines, "Main Setting", "Breathing"), "4");
    EXPECT_EQ(Read(longLine, "Main Setting", "Breathing").size(), 299u);
    EXPECT_EQ(Read(manySections, "Other", "Breathing"), "none");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST(SystemProfileFile, ReadsTheSettingsFile) {
    test::ScratchDir dir("profile-system");
    const std::string path = dir.File("default.ini");
    WriteFile(path, "[Main Setting]\r\nBreathing = 4\r\n");
    const auto reader = MakeSystemProfileFile();

    EXPECT_EQ(reader->ReadString(path, "main setting", "BREATHING", "", 300), "4");
    EXPECT_EQ(reader->ReadString(path, "Main Setting", "Missing", "2", 300), "2");
    EXPECT_EQ(reader->ReadString(dir.File("missing.ini"), "Main Setting", "Breathing", "", 300),
              "");
}

// Runs the rest of a scope in another folder.
class InFolder {
  public:
    explicit InFolder(const std::string& folder) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
    ~InFolder() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }

  private:
    std::filesystem::path previous_;
};

TEST(SystemProfileFile, TakesARelativePathFromTheCurrentFolder) {
    // GetPrivateProfileStringA itself would look for a bare name in the Windows folder.
    test::ScratchDir dir("profile-relative");
    WriteFile(dir.File("relative.ini"), "[Main Setting]\nBreathing=4\n");
    const InFolder here(dir.Path().string());

    EXPECT_EQ(
        MakeSystemProfileFile()->ReadString("relative.ini", "Main Setting", "Breathing", "", 300),
        "4");
}

}  // namespace
}  // namespace talun
