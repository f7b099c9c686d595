// watch --metrics FILE and --board, with simulated mice: the figures file
// follows every mouse (and names the station), and --board on output that is
// not a terminal says so and shows the same plain lines as watch alone.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/cli/CliTest.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class WatchMonitorTest : public CliTest {
  protected:
    // Three mice with port and serial; the one in slot 1 refuses its second
    // firmware part. Plugged in, each in turn; what watch printed once the
    // tally says all three, and stopped.
    ChildResult WatchThreeMice(const std::vector<std::string>& extra) {
        WriteScenario(
            "mice = 3\npresent = 0\nport = 1-1.{slot}\nserial = R5-000{slot}\n"
            "state_file = state-{slot}.txt\ntrace_file = sim-trace-{slot}.txt\n[slot "
            "1]\nrefuse_write = 0x2A:2\n");
        std::ofstream(Dir() / "hub.ini") << "station = line 3 west\n1-1.0 = A1\n";
        // A control file of its own: the sim acts on every line from the start.
        std::ofstream(Dir() / "control.txt", std::ios::trunc);
        std::vector<std::string> arguments = {"watch", "--firmware", PathOf("image.bin"),
                                              "--station-file", PathOf("hub.ini")};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        ChildProcess watch(CliProgram(), arguments, Options(true));
        EXPECT_TRUE(watch.Started()) << watch.StartError();
        EXPECT_TRUE(watch.WaitForOut("waiting for Talun R5 mice", WAIT_LIMIT)) << watch.Out();
        for (int slot = 0; slot < 3; ++slot) {
            Control("plug " + std::to_string(slot));
            const std::string tally = "tally: " + std::to_string(slot == 0 ? 1 : slot) +
                                      " updated, " + (slot == 0 ? "0" : "1") + " not updated";
            EXPECT_TRUE(watch.WaitForOut(tally, WAIT_LIMIT)) << watch.Out() << watch.Err();
        }
        EXPECT_TRUE(watch.Interrupt());
        const std::optional<int> exit = watch.WaitForExit(WAIT_LIMIT);
        return {exit.value_or(-1), WithUnixLineEnds(watch.Out()), WithUnixLineEnds(watch.Err())};
    }
};

TEST_F(WatchMonitorTest, TheFiguresFileCountsEveryMouseItsFailureAndNamesTheStation) {
    const ChildResult r = WatchThreeMice({"--metrics", PathOf("station.prom")});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("stopped; tally: 2 updated, 1 not updated\n"));
    const std::string figures = FileText("station.prom");
    EXPECT_THAT(figures, HasSubstr("talun_r5_mice_total{outcome=\"updated\"} 2\n"
                                   "talun_r5_mice_total{outcome=\"not_updated\"} 1\n"));
    EXPECT_THAT(figures, HasSubstr("talun_r5_failures_total{step=\"firmware part 2 of 3\","
                                   "how=\"refused\"} 1\n"));
    EXPECT_THAT(figures, HasSubstr("talun_r5_update_duration_seconds_count 3\n"));
    EXPECT_THAT(figures, HasSubstr("talun_r5_slots_busy 0\n"));
    EXPECT_THAT(figures, HasSubstr("talun_r5_info{station=\"line 3 west\",version=\"3.01\","
                                   "firmware_sha256=\""));
    // Replaced whole: no temporary file is left beside it.
    for (const auto& entry : std::filesystem::directory_iterator(Dir()))
        EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr(".tmp"))) << entry.path();
}

TEST_F(WatchMonitorTest, BoardOnOutputThatIsNoTerminalSaysSoAndShowsThePlainLines) {
    const ChildResult plain = WatchThreeMice({});
    const ChildResult board = WatchThreeMice({"--board"});
    EXPECT_EQ(board.exitCode, 1) << board.out << board.err;
    EXPECT_THAT(board.err, HasSubstr("--board: standard output is not a terminal; showing the "
                                     "plain lines"));
    EXPECT_THAT(board.out, Not(HasSubstr("\x1b")));
    EXPECT_THAT(board.out, HasSubstr("A1: mouse "));
    // The same lines as without --board, in whatever order the workers' lines came.
    const auto sorted = [](const std::string& text) {
        std::vector<std::string> lines = Lines(text);
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    EXPECT_EQ(sorted(board.out), sorted(plain.out));
}

TEST_F(WatchMonitorTest, AFiguresFileThatCannotBeWrittenIsBadUsageBeforeAnyMouse) {
    WriteScenario("mice = 2\n");
    const ChildResult r = Run({"watch", "--metrics", PathOf("no/such/folder/station.prom")});
    EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("--metrics: "));
    EXPECT_THAT(r.out, Not(HasSubstr("waiting for Talun R5 mice")));
}

}  // namespace
}  // namespace talun::test
