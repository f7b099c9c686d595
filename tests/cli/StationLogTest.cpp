// The production log (--log) of update and watch, and summary: every reported
// mouse is a whole line on the disk, whatever ends the program; torn lines are
// skipped and said.
#include <nlohmann/json.hpp>

#include <fstream>
#include <regex>
#include <sstream>

#include "cli/ToolSession.h"
#include "tests/cli/CliTest.h"
#include "update/FirmwareImage.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class StationLogTest : public CliTest {
  protected:
    // The log's lines, each of which must end in a line end.
    std::vector<std::string> LogLines(const std::string& name) const {
        const std::string text = FileText(name);
        EXPECT_TRUE(text.empty() || text.back() == '\n') << text;
        return Lines(text);
    }
};

TEST_F(StationLogTest, EveryReportedMouseSurvivesAKillAsAWholeLine) {
    WriteScenario("present = 0");
    ChildProcess watch(CliProgram(),
                       {"watch", "--firmware", PathOf("image.bin"), "--log", PathOf("station.log")},
                       Options(true));
    ASSERT_TRUE(watch.WaitForOut("waiting for Talun R5 mice", WAIT_LIMIT)) << watch.Err();
    Control("plug");
    ASSERT_TRUE(watch.WaitForOut("tally: 1 updated, 0 not updated", WAIT_LIMIT)) << watch.Err();
    Control("unplug");
    ASSERT_TRUE(watch.WaitForOut("mouse unplugged", WAIT_LIMIT));
    Control("set refuse_write=0x2A:2");
    Control("plug");
    ASSERT_TRUE(watch.WaitForOut("tally: 1 updated, 1 not updated", WAIT_LIMIT)) << watch.Err();
    // Killed while waiting for the third mouse: no chance to tidy up.
    watch.Kill();
    ASSERT_TRUE(watch.WaitForExit(WAIT_LIMIT));

    // Each mouse's started record, then its outcome record.
    std::vector<std::string> lines;
    nlohmann::json startedId;
    for (const std::string& line : LogLines("station.log")) {
        const nlohmann::json record = nlohmann::json::parse(line);
        if (record["record"] == "started") {
            EXPECT_NE(record["id"], startedId);
            startedId = record["id"];
            continue;
        }
        EXPECT_EQ(record["id"], startedId) << line;
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 2u);
    const auto image = FirmwareImage::FromImage(ReadBytes("image.bin"));
    ASSERT_TRUE(image);
    const std::regex utc(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const nlohmann::json record = nlohmann::json::parse(lines[i]);
        EXPECT_TRUE(std::regex_match(record["time"].get<std::string>(), utc)) << lines[i];
        EXPECT_FALSE(record["host"].get<std::string>().empty());
        EXPECT_EQ(record["slot"], 0);
        EXPECT_EQ(record["firmware_size"], 3068);
        EXPECT_EQ(record["firmware_sha256"], cli::FirmwareSha256(*image));
        EXPECT_GE(record["duration_ms"].get<int>(), 1000);  // the first chunk's wait at least
        EXPECT_EQ(record["version"], "3.01");
        EXPECT_EQ(record["mouse"], i + 1);
    }
    const nlohmann::json updated = nlohmann::json::parse(lines[0]);
    EXPECT_EQ(updated["outcome"], "updated");
    EXPECT_TRUE(updated["failed_step"].is_null());
    const nlohmann::json refused = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(refused["outcome"], "not-updated");
    EXPECT_EQ(refused["failed_step"], "firmware part 2 of 3");
    EXPECT_EQ(refused["failure"], "refused");
}

TEST_F(StationLogTest, SummarySkipsTornLinesAndALaterMouseStartsALineOfItsOwn) {
    const std::string line = R"({"time":"2026-12-08T10:00:10.000Z","outcome":"updated",)"
                             R"("duration_ms":10000})";
    std::ofstream(Dir() / "station.log", std::ios::binary)
        << line << "\n"
        << R"({"time":"2026-12-08T10:20:00.000Z","outcome":"not-updated","failed_step":)"
        << R"("main settings","failure":"not acknowledged: error status 2","duration_ms":5000})"
        << "\n{\"time\":\"2026-12-08T10:25\n"
        << R"({"time":"2026-12-08T10:30:00.000Z","outcome":"updated","duration_ms":5000})"
        << "\n{\"time\":\"2026-12-08T10:4";
    const ChildResult r = Run({"summary", PathOf("station.log")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("mice: 3 (2 updated, 1 not updated, 0 interrupted)\n"
                                 "failures by step:\n"
                                 "  main settings: 1 (1 not acknowledged: error status 2)\n"
                                 "mice per hour: 6.0\n"));  // 3 mice from 10:00 to 10:30
    EXPECT_THAT(r.err, HasSubstr("line 3 is not a whole record; skipped"));
    EXPECT_THAT(r.err, HasSubstr("skipped a torn last line (24 bytes"));

    // The next mouse does not glue its line onto the torn one.
    const ChildResult update =
        Run({"update", "--firmware", PathOf("image.bin"), "--log", PathOf("station.log")});
    EXPECT_EQ(update.exitCode, 0) << update.err;
    const ChildResult after = Run({"--json", "summary", PathOf("station.log")});
    EXPECT_THAT(after.err, HasSubstr("line 5 is not a whole record; skipped"));
    EXPECT_THAT(after.err, Not(HasSubstr("torn last line")));
    const nlohmann::json summary = nlohmann::json::parse(after.out);
    EXPECT_EQ(summary["mice"], 4);
    EXPECT_EQ(summary["bad_lines"], 2);
    EXPECT_THAT(LogLines("station.log").back(), HasSubstr("\"command\":\"update\""));

    EXPECT_EQ(Run({"summary", PathOf("missing.log")}).exitCode, 2);
}

TEST_F(StationLogTest, ALogThatCannotBeWrittenStopsBeforeTheMouseOrAfterIt) {
    ASSERT_EQ(Run({"query-main-setting"}).exitCode, 0);
    const std::string stateBefore = FileText("state.txt");
    for (const char* command : {"update", "watch"}) {
        // A folder is no log.
        const ChildResult r =
            Run({command, "--firmware", PathOf("image.bin"), "--log", PathOf("")});
        EXPECT_EQ(r.exitCode, 2) << command << r.out << r.err;
        EXPECT_THAT(r.err, HasSubstr("cannot open the log"));
    }
    EXPECT_EQ(FileText("state.txt"), stateBefore);
#ifndef _WIN32
    // Opens, but every write fails: the mouse in progress is finished and
    // reported, then the station stops.
    WriteScenario("present = 0");
    ChildProcess watch(CliProgram(),
                       {"watch", "--firmware", PathOf("image.bin"), "--log", "/dev/full"},
                       Options(true));
    ASSERT_TRUE(watch.WaitForOut("waiting for Talun R5 mice", WAIT_LIMIT)) << watch.Err();
    Control("plug");
    EXPECT_EQ(watch.WaitForExit(WAIT_LIMIT), 1) << watch.Out() << watch.Err();
    EXPECT_THAT(watch.Out(), HasSubstr("mouse 1: FIRMWARE UPDATED.\n"));
    EXPECT_THAT(watch.Err(), HasSubstr("cannot write the log /dev/full"));
    EXPECT_THAT(watch.Err(), HasSubstr("mouse 1 is not in the log: the station stops"));
#endif
}

}  // namespace
}  // namespace talun::test
