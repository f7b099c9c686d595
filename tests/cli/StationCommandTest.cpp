// talun-r5 as a station: several simulated mice, each in its own slot with its
// own faults and state file; watch updates each as it is plugged in, update --all
// every one plugged in now. Needs the simulated mouse's library to hold several
// mice ("mice = N" and "[slot N]" in its scenario, "plug N" in its control file);
// it joins talun_cli_tests with that.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tests/cli/CliTest.h"
#include "tests/support/WaitUntil.h"

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
        return State("state-" + std::to_string(slot) + ".txt")[key];
    }
    // RFC 4180 text as rows of fields.
    static std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
        std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
        bool quoted = false;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                rows.back().back() += c;
                ++i;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && c == ',') {
                rows.back().emplace_back();
            } else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                rows.emplace_back(1);
                ++i;
            } else if (!quoted && c == '\n') {  // a line end as the output reaches the test
                rows.emplace_back(1);
            } else {
                rows.back().back() += c;
            }
        }
        if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
        return rows;
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

    const std::vector<nlohmann::json> objects = JsonLines(watch.Out());
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
    const std::vector<nlohmann::json> objects = JsonLines(r.out);
    ASSERT_EQ(objects.size(), 3u) << r.out;
    EXPECT_EQ(objects.back()["mice"], 2);
    EXPECT_EQ(objects.back()["not_updated"], 1);
    EXPECT_EQ(objects.back()["exit"], 1);
    EXPECT_THAT(r.err, HasSubstr("slot 1: mouse"));
}

// Three mice on a labelled hub: each line, JSON object and record names its
// mouse by label (or port, without one); killed while the third is in its
// firmware, the log shows that mouse started and never finished, and summary
// counts it apart, with its port and serial; the CSV reads back to the records.
TEST_F(StationCommandTest, EveryMouseIsNamedByItsLabelAndAnInterruptedOneIsListed) {
    WriteMice(3,
              "present = 0\nport = 1-1.{slot}\nserial = R5-000{slot}\n"
              "[slot 2]\nbusy_polls = 0x2A:1000000\n");
    std::ofstream(Dir() / "hub.ini") << "station = line 3\n1-1.0 = A1\n1-1.1 = A2\n";
    const std::string lot = "L-17, \"blue\"";
    ChildProcess watch(CliProgram(),
                       {"--json", "watch", "--firmware", PathOf("image.bin"), "--log",
                        PathOf("station.log"), "--station-file", PathOf("hub.ini"), "--lot", lot},
                       Options(true));
    ASSERT_TRUE(watch.WaitForErr("waiting for Talun R5 mice", WAIT_LIMIT)) << watch.Err();
    Control("plug 0");
    Control("plug 1");
    ASSERT_TRUE(watch.WaitForErr("tally: 2 updated, 0 not updated", WAIT_LIMIT)) << watch.Err();
    Control("plug 2");
    // Killed once its first firmware chunk is written (it is never acknowledged).
    ASSERT_TRUE(WaitUntil(
        [&] {
            return FileText("sim-trace-2.txt").find(" SET len=1034 -> 1 | 2A 01") !=
                   std::string::npos;
        },
        WAIT_LIMIT))
        << FileText("sim-trace-2.txt");
    ASSERT_TRUE(watch.WaitForErr("1-1.2: UPDATING", WAIT_LIMIT)) << watch.Err();
    watch.Kill();
    ASSERT_TRUE(watch.WaitForExit(WAIT_LIMIT));
    const std::string& err = watch.Err();
    EXPECT_TRUE(err.find("A1: mouse 1: FIRMWARE UPDATED.\n") != std::string::npos ||
                err.find("A1: mouse 2: FIRMWARE UPDATED.\n") != std::string::npos)
        << err;
    EXPECT_THAT(watch.Err(), HasSubstr("A2: plugged in: updating it in 1.5 seconds\n"));
    for (const nlohmann::json& o : JsonLines(watch.Out())) {
        const char* names[] = {"A1", "A2", "1-1.2"};
        EXPECT_EQ(o["name"], names[o["slot"].get<int>()]) << o;
        EXPECT_EQ(o["port"], "1-1." + o["slot"].dump()) << o;
        EXPECT_EQ(o["serial"], "R5-000" + o["slot"].dump()) << o;
    }

    const std::vector<nlohmann::json> records = JsonLines(FileText("station.log"));
    ASSERT_EQ(records.size(), 5u) << FileText("station.log");
    for (const nlohmann::json& r : records) {
        EXPECT_EQ(r["station"], "line 3") << r;
        EXPECT_EQ(r["lot"], lot) << r;
        const std::string port = r["port"];
        const nlohmann::json label = port == "1-1.0"   ? nlohmann::json("A1")
                                     : port == "1-1.1" ? nlohmann::json("A2")
                                                       : nlohmann::json();
        EXPECT_EQ(r["label"], label) << r;
    }
    EXPECT_EQ(records.back()["record"], "started");
    EXPECT_EQ(records.back()["port"], "1-1.2");

    const ChildResult summary = Run({"summary", PathOf("station.log")});
    EXPECT_EQ(summary.exitCode, 0) << summary.err;
    EXPECT_THAT(summary.out, HasSubstr("mice: 3 (2 updated, 0 not updated, 1 interrupted)\n"
                                       "interrupted (started, no outcome recorded):\n"
                                       "  1-1.2 (port 1-1.2, serial R5-0002, lot " +
                                       lot + ")"));
    const ChildResult csv = Run({"summary", "--csv", PathOf("station.log")});
    const auto rows = CsvRows(csv.out);
    ASSERT_EQ(rows.size(), 4u) << csv.out;
    EXPECT_EQ(rows[0][2], "label");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string>& row = rows[i];
        ASSERT_EQ(row.size(), rows[0].size()) << csv.out;
        const auto started = std::find_if(records.begin(), records.end(), [&](const auto& r) {
            return r["record"] == "started" && r["port"] == row[3];
        });
        ASSERT_NE(started, records.end()) << row[3];
        const nlohmann::json& label = (*started)["label"];
        EXPECT_EQ(row[1], "line 3");
        EXPECT_EQ(row[2], label.is_null() ? "" : label.get<std::string>());
        EXPECT_EQ(row[4], (*started)["serial"]);
        EXPECT_EQ(row[5], lot);
        EXPECT_EQ(row[6], row[3] == "1-1.2" ? "interrupted" : "updated");
        EXPECT_EQ(row[10], (*started)["firmware_sha256"]);
    }
}

// A station file or a lot that cannot be taken stops the command before any
// mouse is touched, saying where the mistake is.
TEST_F(StationCommandTest, BadStationInputTouchesNoMouse) {
    WriteMice(2, "");
    std::ofstream(Dir() / "hub.ini") << "1-1.0 = A1\n# B\n1-1.1 = A1\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--station-file", PathOf("hub.ini")}, "hub.ini line 3: label A1 is used for two ports"},
        {{"--station-file", PathOf("none.ini")}, "cannot read the station file"},
        {{"--lot", "L-1\nL-2"}, "the lot holds a line break"},
        {{"--lot", "L\x1b[2J"}, "the lot holds a line break or another control character"},
    };
    for (const auto& [options, error] : cases) {
        for (const char* command : {"update", "watch"}) {
            std::vector<std::string> arguments = {command, "--firmware", PathOf("image.bin")};
            arguments.insert(arguments.end(), options.begin(), options.end());
            const ChildResult r = Run(arguments);
            EXPECT_EQ(r.exitCode, 2) << command << r.err;
            EXPECT_THAT(r.err, HasSubstr(error)) << command;
        }
    }
    // The driver library was never even loaded: no mouse has a state file.
    EXPECT_FALSE(std::filesystem::exists(Dir() / "state-0.txt"));
    EXPECT_FALSE(std::filesystem::exists(Dir() / "state-1.txt"));
}

#ifdef TALUN_THROWING_SLOT_DRIVER
// A driver library throws out of slot 1's write: that mouse alone is not
// updated, with the reason in its line, JSON object and log record; the others
// are updated and the program ends with the tally and exit status of one
// mouse not updated.
TEST_F(StationCommandTest, AThrowInOneMousesRunFailsThatMouseAlone) {
    WriteMice(3, "");
    const ChildResult r =
        Run({"--json", "update", "--all", "--firmware", PathOf("image.bin"), "--log",
             PathOf("station.log"), "--driver", TALUN_THROWING_SLOT_DRIVER});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("slot 1: error: slot 1 threw out of SetFeatureSlot\n"));
    EXPECT_THAT(r.err, HasSubstr("3 mice: 2 updated, 1 not updated\n"));
    const std::vector<nlohmann::json> objects = JsonLines(r.out);
    ASSERT_EQ(objects.size(), 4u) << r.out;
    for (int i = 0; i < 3; ++i) {
        const nlohmann::json& o = objects[i];
        const bool thrower = o["slot"] == 1;
        EXPECT_EQ(o["status"], thrower ? "FIRMWARE NOT UPDATED." : "FIRMWARE UPDATED.") << o;
        EXPECT_EQ(o.value("error", ""), thrower ? "slot 1 threw out of SetFeatureSlot" : "");
    }
    EXPECT_EQ(objects.back()["updated"], 2);
    EXPECT_EQ(objects.back()["not_updated"], 1);
    int records = 0;
    for (const nlohmann::json& record : JsonLines(FileText("station.log"))) {
        if (record["record"] != "outcome") continue;
        ++records;
        const bool thrower = record["slot"] == 1;
        EXPECT_EQ(record["outcome"], thrower ? "not-updated" : "updated") << record;
        if (thrower) {
            EXPECT_EQ(record["failure"], "slot 1 threw out of SetFeatureSlot");
            EXPECT_EQ(record["failed_step"], "firmware part 1 of 3");
        }
    }
    EXPECT_EQ(records, 3);
    EXPECT_EQ(SlotState(0, "holds_complete_image"), "yes");
    EXPECT_EQ(SlotState(2, "holds_complete_image"), "yes");
}
#endif

}  // namespace
}  // namespace talun::test
