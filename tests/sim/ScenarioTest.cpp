// The sim driver library's scenario keys, control lines and files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "driver/sim/ControlLine.h"
#include "driver/sim/Scenario.h"
#include "driver/sim/SimFiles.h"
#include "tests/support/ScratchDir.h"

namespace talun::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ZeroClock final : public Clock {
  public:
    void Sleep(uint32_t) override {}
    uint64_t NowMs() const override { return 42; }
};

TEST(ScenarioTest, ReadsEveryKey) {
    const Scenario s = ParseScenario(
        "[sim]\n# comment\npresent = 0\nabsent = yes\nplug_at_ms = 100, 900\nunplug_at_ms=500\n"
        "refuse_write = 0x2A:2 0x08\nfail_read = 3,7\nbusy_polls = 0x2A:2, *:1\n"
        "final_status = 0x08:3\nunplug_after_writes = 4\npoll_ms = 5\n"
        "trace_file = t.txt\ncontrol_file = /abs/c.txt\nstate_file = C:\\s.txt\n"
        "firmware_file = fw.bin\n",
        "/base");
    EXPECT_TRUE(s.errors.empty()) << s.errors.front();
    EXPECT_FALSE(s.presentAtStart);
    EXPECT_TRUE(s.faults.absent);
    EXPECT_THAT(s.plugAtMs, ElementsAre(100u, 900u));
    EXPECT_THAT(s.unplugAtMs, ElementsAre(500u));
    ASSERT_EQ(s.faults.refusedWrites.size(), 2u);
    EXPECT_EQ(s.faults.refusedWrites[0].reportId, 0x2A);
    EXPECT_EQ(s.faults.refusedWrites[0].occurrence, 2);
    EXPECT_EQ(s.faults.refusedWrites[1].occurrence, 0) << "an ID alone refuses every write";
    EXPECT_THAT(s.faults.failedReads, ElementsAre(3, 7));
    EXPECT_EQ(s.faults.busyPolls.at(0x2A), 1) << "later items win";
    EXPECT_EQ(s.faults.busyPolls.at(0x05), 1);
    EXPECT_EQ(s.faults.finalStatus.at(0x08), 3);
    EXPECT_EQ(s.faults.unplugAfterWrites, 4);
    EXPECT_EQ(s.pollMs, 5);
    EXPECT_EQ(s.traceFile, "/base/t.txt");
    EXPECT_EQ(s.controlFile, "/abs/c.txt");
    EXPECT_EQ(s.stateFile, "C:\\s.txt");
    EXPECT_EQ(s.firmwareFile, "/base/fw.bin");
}

TEST(ScenarioTest, SkipsBadLinesAndSaysWhich) {
    const Scenario s = ParseScenario(
        "present = maybe\nbusy_polls = 2A:1\nfail_read = 0\nbogus = 1\nno equals sign\n"
        "unplug_after_writes = -2\nbusy_polls = 0x07:1\n",
        "");
    ASSERT_EQ(s.errors.size(), 6u);
    EXPECT_THAT(s.errors[0], HasSubstr("line 1: present"));
    EXPECT_THAT(s.errors[1], HasSubstr("line 2: busy_polls"));
    EXPECT_THAT(s.errors[3], HasSubstr("unknown key 'bogus'"));
    EXPECT_TRUE(s.presentAtStart);
    EXPECT_EQ(s.faults.busyPolls.size(), 1u) << "good lines still apply";
}

TEST(ScenarioTest, ParsesControlLines) {
    EXPECT_EQ(ParseControlLine(" plug \r").kind, ControlCommand::Plug);
    EXPECT_EQ(ParseControlLine("UNPLUG").kind, ControlCommand::Unplug);
    EXPECT_EQ(ParseControlLine("# note").kind, ControlCommand::None);
    const auto button = ParseControlLine("button 7");
    EXPECT_EQ(button.kind, ControlCommand::Button);
    EXPECT_EQ(button.wParam, 0xE000u);
    EXPECT_EQ(button.lParam, 7);
    const auto input = ParseControlLine("input 0x7F00 1");
    EXPECT_EQ(input.kind, ControlCommand::Input);
    EXPECT_EQ(input.wParam, 0x7F00u);
    EXPECT_EQ(ParseControlLine("plug-message 5").wParam, 5u);
    const auto set = ParseControlLine("set busy_polls = 0x08:2");
    EXPECT_EQ(set.key, "busy_polls");
    EXPECT_EQ(set.value, "0x08:2");
    for (const char* bad :
         {"plug now", "button", "button x", "input 1", "set x", "set 2 x", "dance"})
        EXPECT_EQ(ParseControlLine(bad).kind, ControlCommand::Invalid) << bad;
}

TEST(ScenarioTest, LiveFaultsCountFromTheMomentTheyAreSet) {
    ZeroClock clock;
    SimMouse mouse(clock);
    mouse.OpenFeatureDevice();
    uint8_t profile[3] = {0x05, 0x03, 0x00};
    uint8_t status[3] = {0x04, 0, 0};
    mouse.SetFeature(profile, 3);
    mouse.GetFeature(status, 3);
    EXPECT_EQ(ApplyLiveFault(mouse, "refuse_write", "0x05:1"), "");
    EXPECT_EQ(ApplyLiveFault(mouse, "fail_read", "1"), "");
    EXPECT_EQ(mouse.SetFeature(profile, 3), 0) << "the first write from now on";
    EXPECT_EQ(mouse.GetFeature(status, 3), 0) << "the first read from now on";
    EXPECT_EQ(ApplyLiveFault(mouse, "unplug_after_writes", "0"), "");
    EXPECT_EQ(mouse.SetFeature(profile, 3), 0);
    EXPECT_FALSE(mouse.IsPresent());
    EXPECT_THAT(ApplyLiveFault(mouse, "trace_file", "x"), HasSubstr("cannot be set"));
    EXPECT_THAT(ApplyLiveFault(mouse, "busy_polls", "x"), HasSubstr("busy_polls"));
}

TEST(SimFilesTest, ControlFileReaderTakesEachCompleteLineOnce) {
    const talun::test::ScratchDir dir;
    const std::string path = dir.File("control.txt");
    ControlFileReader reader(path);
    EXPECT_TRUE(reader.NewLines().empty()) << "no file yet";
    std::ofstream(path, std::ios::binary | std::ios::app) << "plug\r\nbutt";
    EXPECT_THAT(reader.NewLines(), ElementsAre("plug"));
    std::ofstream(path, std::ios::binary | std::ios::app) << "on 3\nunplug\n";
    EXPECT_THAT(reader.NewLines(), ElementsAre("button 3", "unplug"));
    EXPECT_TRUE(reader.NewLines().empty());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "plug\n";
    EXPECT_THAT(reader.NewLines(), ElementsAre("plug")) << "a shorter file is read anew";
}

TEST(SimFilesTest, FormatsTraceLinesAndState) {
    TraceEntry e{1500, TraceEntry::Get, 3, 1, {0x04, 0x01, 0x2A}};
    EXPECT_EQ(FormatTraceLine(e), "    1500 GET len=3 -> 1 | 04 01 2A");
    e.direction = TraceEntry::Set;
    e.bytes.clear();
    e.result = 0;
    EXPECT_EQ(FormatTraceLine(e), "    1500 SET len=3 -> 0 | ");

    ZeroClock clock;
    SimMouse mouse(clock);
    mouse.OpenFeatureDevice();
    uint8_t otg[6] = {0x08, 0x06, 0x0A, 0x03, 0x06, 0x00};
    uint8_t status[3] = {0x04, 0, 0};
    mouse.SetFeature(otg, 6);
    mouse.GetFeature(status, 3);
    const std::string state = FormatState(mouse, nullptr, 7, {"line 2: bad"});
    for (const char* line :
         {"sequence=7\n", "present=yes\n", "holds_complete_image=no\n",
          "image_matches_firmware_file=unknown\n", "holds_default_settings_2=no\n",
          "writes_0x08=1\n", "commits_0x08=1\n", "writes_0x2A=0\n", "reads=1\n",
          "scenario_errors=1\nscenario_error=line 2: bad\n"})
        EXPECT_THAT(state, HasSubstr(line));
    const std::vector<uint8_t> block(3070, 0);
    EXPECT_THAT(FormatState(mouse, &block, 8, {}), HasSubstr("image_matches_firmware_file=no\n"));
}

TEST(MiceScenario, CommonKeysForEveryMouseASectionForOneFilesPerSlot) {
    const MiceScenario s = ParseMiceScenario(
        "mice = 3\nrefuse_write = 0x08\nstate_file = st-{slot}.txt\ntrace_file = shared.txt\n"
        "[slot 1]\npresent = 0\nrefuse_write = 0x2A:2\n[slot 5]\npresent = 0\n"
        "[slot 2]\npoll_ms = 5\n",
        "/base");
    ASSERT_EQ(s.mice.size(), 3u);
    EXPECT_EQ(s.mice[1].stateFile, "/base/st-1.txt");
    EXPECT_EQ(s.mice[0].traceFile, "/base/shared.txt");
    EXPECT_EQ(s.mice[2].traceFile, "") << "one file is never shared";
    EXPECT_TRUE(s.mice[0].presentAtStart);
    EXPECT_FALSE(s.mice[1].presentAtStart);
    EXPECT_EQ(s.mice[0].faults.refusedWrites.size(), 1u);
    EXPECT_EQ(s.mice[1].faults.refusedWrites.size(), 2u);
    EXPECT_EQ(s.errors.size(), 3u) << "shared trace file, [slot 5], poll_ms in a section";

    // A scenario of one mouse reads as it always has.
    const std::string one = "[sim]\npresent = 0\nplug_at_ms = 5\nstate_file = a.txt\n";
    const MiceScenario single = ParseMiceScenario(one, "/base");
    ASSERT_EQ(single.mice.size(), 1u);
    EXPECT_EQ(single.mice[0].stateFile, ParseScenario(one, "/base").stateFile);
    EXPECT_EQ(single.mice[0].plugAtMs, ParseScenario(one, "/base").plugAtMs);
    EXPECT_TRUE(single.errors.empty());
}

TEST(MiceScenario, ControlLinesNameTheSlot) {
    EXPECT_EQ(ParseControlLine("plug 3").slot, 3);
    EXPECT_EQ(ParseControlLine("unplug").slot, 0);
    const ControlCommand set = ParseControlLine("set 2 busy_polls = *:1");
    EXPECT_EQ(set.kind, ControlCommand::SetFault);
    EXPECT_EQ(set.slot, 2);
    EXPECT_EQ(set.key, "busy_polls");
    EXPECT_EQ(ParseControlLine("set busy_polls=*:1").slot, 0);
    EXPECT_EQ(ParseControlLine("plug-message 1 4").slot, 4);
    EXPECT_EQ(ParseControlLine("plug x").kind, ControlCommand::Invalid);
    EXPECT_EQ(ParseControlLine("unplug 64").kind, ControlCommand::Invalid);
}

}  // namespace
}  // namespace talun::sim
