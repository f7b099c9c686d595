// talun-r5 as a station: several simulated mice, each in its own slot with its
// own faults and state file; watch updates each as it is plugged in, update --all
// every one plugged in now. Needs the simulated mouse's library to hold several
// mice ("mice = N" and "[slot N]" in its scenario, "plug N" in its control file);
// it joins talun_cli_tests with that.
#include <nlohmann/json.hpp>

#include <fstream>
#include <sstream>

#include "tests/cli/CliTest.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;

class StationCommandTest : public CliTest {
  protected:
    // count mice, each with the state file state-<slot>.txt; then lines.
    void WriteMice(int count, const std::string& lines) {
        WriteScenario("mice = " + std::to_string(count) + "\nstate_file = state-{slot}.txt\n" +
                      "trace_file = sim-trace-{slot}.txt\n" + lines);
    }
    std::string SlotState(int slot, const std::string& key) const {
        std::istringstream lines(FileText("state-" + std::to_string(slot) + ".txt"));
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
        }
        return "";
    }
    static std::vector<nlohmann::json> Objects(const std::string& out) {
        std::istringstream lines(out);
        std::vector<nlohmann::json> objects;
        for (std::string line; std::getline(lines, line);)
            objects.push_back(nlohmann::json::parse(line));
        return objects;
    }
    // The times (ms) of one slot's lines in talun-r5's trace: first and last transfer.
    std::pair<long, long> TransferSpan(int slot) const {
        std::istringstream lines(FileText("trace.txt"));
        const std::string prefix = "slot " + std::to_string(slot) + " ";
        long first = -1, last = -1;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(prefix, 0) != 0) continue;
            std::istringstream words(line.substr(prefix.size()));
            long ms = 0;
            std::string operation;
            if (!(words >> ms >> operation) || (operation != "SET" && operation != "GET")) continue;
            if (first < 0) first = ms;
            last = ms;
        }
        return {first, last};
    }
};

TEST_F(StationCommandTest, WatchUpdatesMiceInParallelAndAFaultStaysWithItsMouse) {
    WriteMice(3, "present = 0\n[slot 1]\nrefuse_write = 0x2A:1\n");
    ChildProcess watch(
        CliProgram(),
        {"--json", "--trace", PathOf("trace.txt"), "watch", "--firmware", PathOf("image.bin")},
        Options(true));
    ASSERT_TRUE(watch.Started()) << watch.StartError();
    ASSERT_TRUE(watch.WaitForErr("waiting for Talun R5 mice", WAIT_LIMIT)) << watch.Err();
    Control("plug 0");
    Control("plug 1");
    Control("plug 2");
    ASSERT_TRUE(watch.WaitForErr("tally: 2 updated, 1 not updated", WAIT_LIMIT)) << watch.Err();
    Control("unplug 1");
    ASSERT_TRUE(watch.WaitForErr("slot 1: mouse unplugged", WAIT_LIMIT)) << watch.Err();
    ASSERT_TRUE(watch.Interrupt());
    EXPECT_EQ(watch.WaitForExit(WAIT_LIMIT), 1) << watch.Out() << watch.Err();
    EXPECT_THAT(watch.Err(), HasSubstr("stopped; tally: 2 updated, 1 not updated\n"));
    EXPECT_THAT(watch.Err(), HasSubstr("slot 2:   on-the-go speed        acknowledged\n"));

    const std::vector<nlohmann::json> objects = Objects(watch.Out());
    ASSERT_EQ(objects.size(), 3u) << watch.Out();
    for (const nlohmann::json& o : objects) {
        EXPECT_EQ(o["command"], "watch");
        EXPECT_EQ(o["outcome"], o["slot"] == 1 ? "not-updated" : "updated") << o;
        if (o["slot"] == 1) {
            EXPECT_EQ(o["steps"][0]["outcome"], "write refused");
        }
    }
    for (int slot : {0, 1, 2}) {
        EXPECT_EQ(SlotState(slot, "holds_complete_image"), slot == 1 ? "no" : "yes") << slot;
        EXPECT_EQ(SlotState(slot, "holds_default_settings_2"), "yes") << slot;
    }
    // The three runs overlap: each one's traffic starts before the others' ends.
    const auto [first0, last0] = TransferSpan(0);
    const auto [first2, last2] = TransferSpan(2);
    EXPECT_LT(first2, last0);
    EXPECT_LT(first0, last2);
    EXPECT_EQ(CountOccurrences(FileText("trace.txt"), "SLEEP 1500\n"), 3);
}

TEST_F(StationCommandTest, UpdateAllExitsZeroOnlyWhenEveryMousePluggedInWasUpdated) {
    WriteMice(4, "[slot 1]\npresent = 0\n");
    ChildResult r = Run({"update", "--all", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("slot 3: UPDATING....\n"));
    EXPECT_THAT(r.out, HasSubstr("3 mice: 3 updated, 0 not updated\n"));
    EXPECT_EQ(SlotState(1, "commits_0x2A"), "0");
    EXPECT_EQ(SlotState(2, "holds_complete_image"), "yes");

    WriteMice(2, "[slot 1]\nfinal_status = 0x08:2\n");
    r = Run({"--json", "update", "--all", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    const std::vector<nlohmann::json> objects = Objects(r.out);
    ASSERT_EQ(objects.size(), 3u) << r.out;
    EXPECT_EQ(objects.back()["mice"], 2);
    EXPECT_EQ(objects.back()["not_updated"], 1);
    EXPECT_EQ(objects.back()["exit"], 1);
    EXPECT_THAT(r.err, HasSubstr("slot 1: mouse"));
}

}  // namespace
}  // namespace talun::test
