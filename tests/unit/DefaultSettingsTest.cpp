// default.ini: which "Breathing" values count, how the text is read, and that
// every restore starts again from the defaults.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "testpanel/TestCommands.h"
#include "update/DefaultSettings.h"
#include "update/SettingsRestore.h"

namespace talun {
namespace {

using testing::CoreFixture;
using testing::FromHex;

// The default record, byte by byte: bytes 0..28, ButtonCodeTable, on-the-go speed.
const std::vector<uint8_t> kDefaultRecord = FromHex(
    "00 0A 0A 1F 08 10 20 40 50 0F 12 11 13 14 01 01 02 00 11 00 01 01 01 00 01 00 00 00 00"
    " 01 02 03 07 08 0E 0F 20 1F 00 00 00 00 09 0A  0A");

std::vector<uint8_t> Bytes(const DeviceSettings& settings) {
    return std::vector<uint8_t>(settings.bytes.begin(), settings.bytes.end());
}

int BreathingFor(const char* text) {
    CoreFixture f;
    if (text) f.profileFile.values[{"Main Setting", "Breathing"}] = text;
    f.state.BreathingMode = 99;
    EXPECT_EQ(ReadDefaultSettings(f.ctx, f.state.deviceSettings), 1);
    return f.state.BreathingMode;
}

TEST(Breathing, HexadecimalValuesOneTwoFourAreTaken) {
    EXPECT_EQ(BreathingFor("4"), 4);
    EXPECT_EQ(BreathingFor("0x4"), 4);
    EXPECT_EQ(BreathingFor("0X1"), 1);
    EXPECT_EQ(BreathingFor("  2"), 2);
    EXPECT_EQ(BreathingFor("4;comment"), 4);
    EXPECT_EQ(BreathingFor("+4"), 4);
}

TEST(Breathing, EverythingElseGivesTwo) {
    EXPECT_EQ(BreathingFor("10"), 2);  // hexadecimal 0x10
    EXPECT_EQ(BreathingFor("3"), 2);
    EXPECT_EQ(BreathingFor("-1"), 2);
    EXPECT_EQ(BreathingFor("1abc"), 2);  // 0x1ABC
    EXPECT_EQ(BreathingFor("abc"), 2);   // 0xABC
    EXPECT_EQ(BreathingFor(""), 2);
    EXPECT_EQ(BreathingFor("zz"), 2);
    EXPECT_EQ(BreathingFor("100000001"), 2);  // beyond 32 bits: not a wrapped-around 1
    EXPECT_EQ(BreathingFor(nullptr), 2);      // key missing
}

TEST(Breathing, ParseHexValueFollowsScanf) {
    EXPECT_EQ(ParseHexValue("ff"), 0xFFu);
    EXPECT_EQ(ParseHexValue("\t 0x1F zz"), 0x1Fu);
    EXPECT_EQ(ParseHexValue("0xg"), 0u);
    EXPECT_EQ(ParseHexValue("-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHexValue("ffffffff"), 0xFFFFFFFFu);
    EXPECT_FALSE(ParseHexValue("x1"));
    EXPECT_FALSE(ParseHexValue("-"));
}

TEST(DefaultSettingsFile, MissingFileEqualsAFileSayingTwo) {
    CoreFixture missing;
    missing.profileFile.existingPath = "/elsewhere/default.ini";
    ReadDefaultSettings(missing.ctx, missing.state.deviceSettings);

    CoreFixture two;
    two.profileFile.values[{"Main Setting", "Breathing"}] = "2";
    ReadDefaultSettings(two.ctx, two.state.deviceSettings);

    EXPECT_EQ(missing.state.BreathingMode, 2);
    EXPECT_EQ(missing.state.deviceSettings.bytes, two.state.deviceSettings.bytes);
    EXPECT_EQ(Bytes(missing.state.deviceSettings), kDefaultRecord);
}

TEST(DefaultSettingsFile, OtherKeysAreReadInOrderButDoNotChangeTheRecord) {
    CoreFixture f;
    f.profileFile.values[{"Main Setting", "Sensitivity-X"}] = "30";
    f.profileFile.values[{"Button setting", "Button-1"}] = "5";
    ReadDefaultSettings(f.ctx, f.state.deviceSettings);
    EXPECT_EQ(Bytes(f.state.deviceSettings), kDefaultRecord);

    std::vector<std::string> keys;
    for (const auto& [path, section, key] : f.profileFile.reads) {
        EXPECT_EQ(path, "/opt/talun/default.ini");
        keys.push_back(key);
    }
    ASSERT_EQ(keys.size(), 1u + 16u + 15u + 1u);
    EXPECT_EQ(keys[0], "Breathing");
    EXPECT_EQ(keys[1], "Current Profile");
    EXPECT_EQ(keys[2], "Sensitivity-X");
    EXPECT_EQ(keys[16], "Color change mode options-2");
    EXPECT_EQ(keys[17], "Button-1");
    EXPECT_EQ(keys[31], "Button-15");
    EXPECT_EQ(keys[32], "OTGSpeed");
}

TEST(DefaultSettingsFile, TooLongAPathCountsAsMissing) {
    CoreFixture f;
    f.state.ProgramDirectory = "/" + std::string(300, 'd') + "/";
    f.profileFile.existingPath = f.state.ProgramDirectory + "default.ini";
    f.profileFile.values[{"Main Setting", "Breathing"}] = "4";
    ReadDefaultSettings(f.ctx, f.state.deviceSettings);
    EXPECT_EQ(f.state.BreathingMode, 2);
    EXPECT_TRUE(f.profileFile.reads.empty());
}

TEST(DefaultSettingsFile, ExplicitSettingsPathWins) {
    CoreFixture f;
    f.state.settingsFilePath = "/etc/talun/station.ini";
    f.profileFile.existingPath = "/etc/talun/station.ini";
    f.profileFile.values[{"Main Setting", "Breathing"}] = "1";
    ReadDefaultSettings(f.ctx, f.state.deviceSettings);
    EXPECT_EQ(f.state.BreathingMode, 1);
}

TEST(DefaultSettingsFile, RestoreAfterAMacroCommandPutsEveryButtonBack) {
    CoreFixture f;
    RestoreSettings(f.ctx);
    TestPanelValues values{0, 4};
    RunMacroCommand(f.ctx, *FindMacroDefinition(COMMAND_CTRL_C), values);
    ASSERT_EQ(f.state.deviceSettings.ButtonCode(4), BUTTON_CODE_MACRO);

    f.device.calls.clear();
    RestoreSettings(f.ctx);
    EXPECT_EQ(Bytes(f.state.deviceSettings), kDefaultRecord);
    const auto writes = f.device.Writes();
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_EQ(writes[2].bytes, FromHex("07 32 00  01 00 00 02 00 00 03 00 00 07 00 00 08 00 00"
                                       " 0E 00 00 0F 00 00 20 00 00 1F 00 00 00 00 00 00 00 00"
                                       " 00 00 00 00 00 00 09 00 00 0A 00 00  BD 00"));
}

}  // namespace
}  // namespace talun
