// The test panel's commands against the published examples: button maps with
// their checksums, macro reports, queries.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "testpanel/TestCommands.h"
#include "update/SettingsRestore.h"

namespace talun {
namespace {

using testing::CoreFixture;
using testing::FromHex;

Report Zeros(std::size_t n) {
    return Report(n, 0);
}

// One macro command with these panel values; the values as the command left them.
TestPanelValues RunMacro(CoreFixture& f, int command, TestPanelValues values) {
    RunMacroCommand(f.ctx, *FindMacroDefinition(command), values);
    return values;
}

TEST(MacroCommands, AbTwoTimesOnAnEmptyTable) {
    CoreFixture f;
    RunMacro(f, COMMAND_AB_2_TIMES, {3, 2});

    const auto writes = f.device.Writes();
    ASSERT_EQ(writes.size(), 2u);
    Report map = Zeros(50);
    map[0] = 0x07, map[1] = 0x32, map[2] = 0x03, map[9] = 0x10, map[48] = 0x4C;
    EXPECT_EQ(writes[0].bytes, map);

    Report macro = Zeros(130);
    const Report head = FromHex("09 82 03 02 02 41 41");
    std::copy(head.begin(), head.end(), macro.begin());
    macro[29] = 0x04;
    const Report entries = FromHex("04 00 04 80 05 00 05 80");
    std::copy(entries.begin(), entries.end(), macro.begin() + 30);
    EXPECT_EQ(writes[1].bytes, macro);

    // Button map acknowledged after 300 ms, then the 500 ms pause, then the macro's 300 ms.
    EXPECT_EQ(f.clock.sleeps, (std::vector<uint32_t>{300, 500, 300}));
}

TEST(MacroCommands, AbcdAlwaysUsesButtonOneAndProfileByteZero) {
    CoreFixture f;
    const TestPanelValues values = RunMacro(f, COMMAND_ABCD_1_TIMES, {3, 7});

    const auto writes = f.device.Writes();
    ASSERT_EQ(writes.size(), 2u);
    Report map = Zeros(50);
    map[0] = 0x07, map[1] = 0x32, map[6] = 0x10, map[7] = 0x02, map[8] = 0x01, map[48] = 0x4C;
    EXPECT_EQ(writes[0].bytes, map);
    EXPECT_EQ(writes[1].bytes[2], 0x03);  // the macro keeps the profile id
    EXPECT_EQ(writes[1].bytes[3], 0x01);
    EXPECT_EQ(writes[1].bytes[29], 0x06);
    EXPECT_EQ(Report(writes[1].bytes.begin() + 30, writes[1].bytes.begin() + 42),
              FromHex("01 04 81 04 01 05 81 05 01 06 81 06"));
    EXPECT_EQ(f.state.deviceSettings.ButtonCode(1), BUTTON_CODE_MACRO);
    EXPECT_EQ(f.state.deviceSettings.ButtonCode(7), 0);
    EXPECT_EQ(values.buttonNumber, 1);
    EXPECT_EQ(f.clock.sleeps[1], 1000u);
}

TEST(MacroCommands, CtrlCAfterAnUpdateReplacesOneDefaultCode) {
    CoreFixture f;
    RestoreSettings(f.ctx);
    f.device.calls.clear();
    RunMacro(f, COMMAND_CTRL_C, {0, 4});
    const auto map = f.device.Writes().at(0).bytes;
    EXPECT_EQ(Report(map.begin() + 15, map.begin() + 18), FromHex("10 00 00"));  // was 08 00 00
    EXPECT_EQ(map[48], 0xC5);
    EXPECT_EQ(map[49], 0x00);
    const auto macro = f.device.Writes().at(1).bytes;
    EXPECT_EQ(Report(macro.begin() + 29, macro.begin() + 38),
              FromHex("04 E0 00 06 00 06 80 E0 80"));
}

TEST(MacroCommands, EarlierMacroButtonsStayMarked) {
    CoreFixture f;
    RunMacro(f, COMMAND_CTRL_V, {0, 2});
    f.device.calls.clear();
    RunMacro(f, COMMAND_CTRL_C, {0, 5});
    const auto map = f.device.Writes().at(0).bytes;
    EXPECT_EQ(map[9], 0x10);
    EXPECT_EQ(map[18], 0x10);
    EXPECT_EQ(map[48], 0x59);
    EXPECT_EQ(map[49], 0x00);
}

TEST(MacroCommands, AToYFillsTheWholeReport) {
    CoreFixture f;
    RunMacro(f, COMMAND_A_TO_Y_1_TIMES, {1, 0});
    const auto macro = f.device.Writes().at(1).bytes;
    ASSERT_EQ(macro.size(), 130u);
    EXPECT_EQ(macro[29], 0x32);
    EXPECT_EQ(Report(macro.begin() + 30, macro.begin() + 34), FromHex("04 00 04 80"));
    EXPECT_EQ(Report(macro.begin() + 126, macro.end()), FromHex("1C 00 1C 80"));
    EXPECT_EQ(f.clock.sleeps[1], 2000u);
}

TEST(MacroCommands, ADelayBBytesAsListed) {
    CoreFixture f;
    RunMacro(f, COMMAND_A_DELAY_B, {0, 0});
    const auto macro = f.device.Writes().at(1).bytes;
    EXPECT_EQ(macro[4], 0x01);
    EXPECT_EQ(Report(macro.begin() + 29, macro.begin() + 40),
              FromHex("05 04 05 01 FF 04 80 05 00 05 80"));
    EXPECT_EQ(f.clock.sleeps[1], 2000u);
}

TEST(MacroCommands, RefusedButtonMapStillSendsTheMacroAfterThePause) {
    CoreFixture f;
    f.device.faults.RefuseWrite(REPORT_BUTTON_MAP);
    RunMacro(f, COMMAND_CTRL_V, {0, 3});
    EXPECT_EQ(f.device.Writes().size(), 2u);
    EXPECT_EQ(f.device.StatusReads(), 1);  // only after the macro
    EXPECT_EQ(f.clock.sleeps, (std::vector<uint32_t>{1000, 300}));
    EXPECT_EQ(f.state.deviceSettings.ButtonCode(3), BUTTON_CODE_MACRO);
}

TEST(MacroCommands, OutOfRangeValuesNeverReachTheMouse) {
    CoreFixture f;
    RunMacro(f, COMMAND_CTRL_V, {0, 15});
    RunMacro(f, COMMAND_CTRL_V, {5, 0});
    EXPECT_TRUE(f.device.calls.empty());
}

TEST(Queries, SendProfileIdSendsThreeBytes) {
    CoreFixture f;
    TestPanelValues values{4, 0};
    RunTestPanelCommand(f.ctx, COMMAND_SEND_PROFILE_ID, values);
    ASSERT_EQ(f.device.Writes().size(), 1u);
    EXPECT_EQ(f.device.Writes()[0].bytes, FromHex("05 03 04"));
    EXPECT_EQ(f.clock.sleeps, (std::vector<uint32_t>{300}));
}

TEST(Queries, MainSettingRequestThenRead) {
    CoreFixture f;
    TestPanelValues values{2, 9};
    const auto reply = RunTestPanelCommand(f.ctx, COMMAND_QUERY_MAIN_SETTING, values);
    ASSERT_EQ(f.device.calls.size(), 3u);  // request, status read, settings read
    EXPECT_EQ(f.device.calls[0].bytes, FromHex("04 02 10"));
    EXPECT_EQ(f.device.calls[2].bytes, Report([] {
                  Report r(35, 0);
                  r[0] = 0x06;
                  return r;
              }()));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), 35u);
}

TEST(Queries, MacroRequestThenReadEvenWhenTheRequestIsRefused) {
    CoreFixture f;
    f.device.faults.RefuseEveryWrite();
    TestPanelValues values{1, 14};
    RunTestPanelCommand(f.ctx, COMMAND_QUERY_MACRO, values);
    ASSERT_EQ(f.device.calls.size(), 2u);  // no status read after the refused request
    EXPECT_EQ(f.device.calls[0].bytes, FromHex("04 01 0E"));
    EXPECT_FALSE(f.device.calls[1].set);
    EXPECT_EQ(f.device.calls[1].bytes.size(), 130u);
    EXPECT_EQ(f.device.calls[1].bytes[0], 0x09);
    EXPECT_TRUE(f.clock.sleeps.empty());
}

TEST(Queries, AFailedReadGivesNoReply) {
    CoreFixture f;
    f.device.failOtherReads = true;
    TestPanelValues values{0, 0};
    EXPECT_FALSE(QueryMacro(f.ctx, values));
}

TEST(Commands, CaptionsAndIdentifiers) {
    EXPECT_STREQ(TestPanelCommandCaption(1011), "Send Profile Id");
    EXPECT_STREQ(TestPanelCommandCaption(1006), "ABCD(1 Times)");
    EXPECT_STREQ(TestPanelCommandCaption(1016), "Ctrl + V");
    EXPECT_FALSE(IsTestPanelCommand(1033));
    EXPECT_FALSE(IsTestPanelCommand(1039));
}

}  // namespace
}  // namespace talun
