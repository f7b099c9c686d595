// The nine test panel commands from the command line: the bytes each sends (read
// back from --trace), the window's rules for the profile and button arguments,
// and the exit status when the mouse does not take a report.
#include <nlohmann/json.hpp>

#include "tests/cli/CliTest.h"

namespace talun::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

class PanelCommandTest : public CliTest {
  protected:
    // Runs a command with a trace; expects it to succeed.
    std::vector<TraceLine> RunTraced(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"--trace", PathOf("trace.txt")});
        last_ = Run(arguments);
        EXPECT_EQ(last_.exitCode, 0) << last_.out << last_.err;
        EXPECT_THAT(last_.out + last_.err, HasSubstr("done: "));
        return Trace("trace.txt");
    }
    static std::vector<std::vector<uint8_t>> Written(const std::vector<TraceLine>& trace) {
        std::vector<std::vector<uint8_t>> reports;
        for (const TraceLine& r : Only(trace, TraceKind::SetFeature)) reports.push_back(r.bytes);
        return reports;
    }
    // The sleep just before the n-th write (0-based).
    static uint32_t PauseBeforeWrite(const std::vector<TraceLine>& trace, int n) {
        uint32_t pause = 0;
        for (const TraceLine& r : trace) {
            if (r.kind == TraceKind::Sleep) pause = r.sleepMs;
            if (r.kind == TraceKind::SetFeature && n-- == 0) return pause;
        }
        return 0;
    }
    // A macro report: profile, button, play count, entry count, entries from byte 30.
    static std::vector<uint8_t> MacroReport(uint8_t profile, uint8_t button, uint8_t plays,
                                            uint8_t count, std::vector<uint8_t> entries) {
        return ReportWith(
            130,
            {{0, {0x09, 0x82, profile, button, plays, 0x41, 0x41}}, {29, {count}}, {30, entries}});
    }

    ChildResult last_;
};

TEST_F(PanelCommandTest, ProfileSelectSendsTheProfileReport) {
    const auto trace = RunTraced({"profile-select", "--profile", "4"});
    EXPECT_THAT(Written(trace), ElementsAre(ElementsAre(0x05, 0x03, 0x04)));
    EXPECT_EQ(PauseBeforeWrite(trace, 0), 0u);
}

TEST_F(PanelCommandTest, QueriesRequestTheItemReadTheReplyAndPrintItInHex) {
    auto trace = RunTraced({"query-main-setting", "--profile", "2"});
    EXPECT_THAT(Written(trace), ElementsAre(ElementsAre(0x04, 0x02, 0x10)));
    auto reads = Only(trace, TraceKind::GetFeature);
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.back().length, 35);
    EXPECT_EQ(reads.back().bytes.at(0), 0x06);
    EXPECT_THAT(last_.out, HasSubstr("reply (35 bytes):\n  0000: 06 23 02 00"));
    EXPECT_THAT(last_.out, HasSubstr("  0020: 00 00 00\n"));

    trace = RunTraced({"--json", "query-macro", "--profile", "1", "--button", "14"});
    EXPECT_THAT(Written(trace), ElementsAre(ElementsAre(0x04, 0x01, 0x0E)));
    reads = Only(trace, TraceKind::GetFeature);
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.back().length, 130);
    const auto report = nlohmann::json::parse(last_.out);
    EXPECT_EQ(report["command"], "query-macro");
    EXPECT_EQ(report["outcome"], "done");
    const std::string reply = report["reply"];
    EXPECT_EQ(reply.substr(0, 12), "09 82 01 0E ");
    EXPECT_EQ(reply.size(), 130u * 3 - 1);
}

TEST_F(PanelCommandTest, AbTwoTimesWritesTheButtonMapThenTheMacroAfterHalfASecond) {
    const auto trace = RunTraced({"macro", "ab-2-times", "--profile", "3", "--button", "2"});
    const auto written = Written(trace);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0], ReportWith(50, {{0, {0x07, 0x32, 0x03}}, {9, {0x10}}, {48, {0x4C, 0}}}));
    EXPECT_EQ(written[1],
              MacroReport(3, 2, 2, 4, {0x04, 0x00, 0x04, 0x80, 0x05, 0x00, 0x05, 0x80}));
    EXPECT_EQ(PauseBeforeWrite(trace, 1), 500u);
}

TEST_F(PanelCommandTest, AbcdOneTimeAlwaysGoesToButtonOne) {
    const auto trace = RunTraced({"macro", "abcd-1-time", "--profile", "3", "--button", "7"});
    const auto written = Written(trace);
    ASSERT_EQ(written.size(), 2u);
    EXPECT_EQ(written[0],
              ReportWith(50, {{0, {0x07, 0x32, 0x00}}, {6, {0x10, 0x02, 0x01}}, {48, {0x4C, 0}}}));
    EXPECT_EQ(written[1], MacroReport(3, 1, 1, 6,
                                      {0x01, 0x04, 0x81, 0x04, 0x01, 0x05, 0x81, 0x05, 0x01, 0x06,
                                       0x81, 0x06}));
    EXPECT_EQ(PauseBeforeWrite(trace, 1), 1000u);
    EXPECT_THAT(last_.out, HasSubstr("always goes to button 1"));
}

TEST_F(PanelCommandTest, TheOtherMacrosCarryTheirKeysAndPauses) {
    struct Case {
        const char* name;
        uint32_t pause;
        uint8_t count;
        std::vector<uint8_t> entries;
    };
    std::vector<uint8_t> allLetters;
    for (uint8_t key = 0x04; key <= 0x1C; ++key)
        allLetters.insert(allLetters.end(), {key, 0x00, key, 0x80});
    const std::vector<Case> cases = {
        {"a-delay-b", 2000, 5, {0x04, 0x05, 0x01, 0xFF, 0x04, 0x80, 0x05, 0x00, 0x05, 0x80}},
        {"a-to-y-1-time", 2000, 50, allLetters},
        {"ctrl-c", 500, 4, {0xE0, 0x00, 0x06, 0x00, 0x06, 0x80, 0xE0, 0x80}},
        {"ctrl-v", 1000, 4, {0xE0, 0x00, 0x19, 0x00, 0x19, 0x80, 0xE0, 0x80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto trace = RunTraced({"macro", c.name, "--profile", "0", "--button", "4"});
        const auto written = Written(trace);
        ASSERT_EQ(written.size(), 2u);
        // A fresh program's button table is all zero: only button 4 carries the macro code.
        EXPECT_EQ(written[0],
                  ReportWith(50, {{0, {0x07, 0x32, 0x00}}, {15, {0x10}}, {48, {0x49, 0}}}));
        EXPECT_EQ(written[1], MacroReport(0, 4, 1, c.count, c.entries));
        EXPECT_EQ(PauseBeforeWrite(trace, 1), c.pause);
    }
}

TEST_F(PanelCommandTest, ArgumentsFollowTheWindowsEntryBoxRules) {
    // Blanks around a number are fine, as is a lone 0.
    EXPECT_THAT(Written(RunTraced({"profile-select", "--profile", " 3 ", "--button", "0"})),
                ElementsAre(ElementsAre(0x05, 0x03, 0x03)));
    EXPECT_THAT(Written(RunTraced({"profile-select", "--profile=\t2"})),
                ElementsAre(ElementsAre(0x05, 0x03, 0x02)));
    const std::string stateAfterGoodRuns = FileText("state.txt");

    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--profile=-0"}, "--profile: Please enter an integer.\n"},
        {{"--profile", "3a"}, "--profile: Please enter an integer.\n"},
        {{"--profile", ""}, "--profile: Please enter an integer.\n"},
        {{"--profile", "+"}, "--profile: Please enter an integer.\n"},
        {{"--profile", "5"}, "--profile: Please enter an integer between 0 and 4.\n"},
        {{"--profile", "-1", "--button", "x"},
         "--profile: Please enter an integer between 0 and 4.\n"},
        {{"--button", "15"}, "--button: Please enter an integer between 0 and 14.\n"},
        {{"--button", "99999999999"}, "--button: Please enter an integer.\n"},
    };
    for (const Case& c : cases) {
        for (const char* command : {"profile-select", "query-macro"}) {
            std::vector<std::string> arguments{command};
            arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
            const ChildResult r = Run(arguments);
            EXPECT_EQ(r.exitCode, 2) << command << " " << c.message;
            EXPECT_EQ(r.err, "talun-r5: " + c.message);
        }
    }
    // Refused arguments never reach the mouse: the driver library was not even
    // loaded, so the simulated mouse's state file is as the last good run left it.
    EXPECT_EQ(FileText("state.txt"), stateAfterGoodRuns);
}

TEST_F(PanelCommandTest, ACommandTheMouseDoesNotTakeFails) {
    WriteScenario("present = 0");
    ChildResult r = Run({"profile-select"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out, HasSubstr("failed: 0 reports written, 1 refused"));

    r = Run({"query-main-setting"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_THAT(r.out, HasSubstr("no reply"));

    WriteScenario("final_status = 0x09:2");
    r = Run({"--json", "macro", "ctrl-v"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    const auto report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report["outcome"], "failed");
    EXPECT_EQ(report["written"], 2);
    EXPECT_EQ(report["not_acknowledged"], 1);
    EXPECT_THAT(r.err, Not(HasSubstr("done")));
}

}  // namespace
}  // namespace talun::test
