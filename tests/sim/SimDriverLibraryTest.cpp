// The sim driver library loaded as the tool loads it: by full path, with its
// scenario file beside it. Each test copies the library into a directory of its
// own, so that each gets a fresh mouse.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "driver/api/HidDriverApi.h"
#include "tests/sim/Reports.h"
#include "tests/support/FileText.h"
#include "tests/support/MonitorTarget.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestLibrary.h"

namespace talun::sim {
namespace {

using namespace test;
using talun::test::Event;
using talun::test::MonitorTarget;
using talun::test::ReadFileText;
using talun::test::ScratchDir;
using talun::test::WriteFileText;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using SteadyClock = std::chrono::steady_clock;

constexpr unsigned kInput = WM_HID_INPUT_EVENT;
constexpr unsigned kPlug = WM_HID_PLUG_EVENT;

void Append(const std::string& path, const std::string& lines) {
    WriteFileText(path, lines, true);
}

std::string ReadFile(const std::string& path) {
    return ReadFileText(path).value_or("");
}

// A trace line without its time, which is right-aligned ("" when there is no time).
std::string Untimed(const std::string& line) {
    const auto start = line.find_first_not_of(' ');
    const auto space = line.find(' ', start);
    if (start == std::string::npos || space == std::string::npos || space == start ||
        line.find_first_not_of("0123456789", start) != space)
        return "";
    return line.substr(space + 1);
}

class SimLibrary : public talun::test::DriverUnderTest {
  public:
    SimLibrary(const ScratchDir& dir, const std::string& scenario)
        : DriverUnderTest(PlaceCopy(dir, scenario)) {}
    ~SimLibrary() { Close_DevMonitor(); }
    SimLibrary(const SimLibrary&) = delete;
    SimLibrary& operator=(const SimLibrary&) = delete;

    int Write(Bytes r) { return SetFeature(r.data(), static_cast<int>(r.size())); }
    // Reads the status report until it is no longer Busy; its final value, or -1.
    int Acknowledge() {
        for (int reads = 0; reads < 10; ++reads) {
            uint8_t b[3] = {0x04, 0, 0};
            if (!GetFeature(b, 3)) return -1;
            if (b[1] != 3) return b[1];
        }
        return 3;
    }

  private:
    // A copy of the built library beside the scenario, so that each test gets a
    // fresh mouse; its full path.
    static std::string PlaceCopy(const ScratchDir& dir, const std::string& scenario) {
        WriteFileText(dir.File("sim-scenario.ini"), scenario);
        const std::filesystem::path original(TALUN_SIM_LIBRARY);
        const std::string copy = dir.File(original.filename().string());
        std::filesystem::copy_file(original, copy);
        return copy;
    }
};

// Closing the monitor wakes and joins its thread at once.
void ExpectPromptClose(SimLibrary& lib) {
    const auto start = SteadyClock::now();
    lib.Close_DevMonitor();
    EXPECT_LT(SteadyClock::now() - start, std::chrono::seconds(2));
}

TEST(SimDriverLibraryTest, ControlFileLinesReachTheWindowWhileTheMonitorRuns) {
    ScratchDir dir;
    SimLibrary lib(dir, "present = 0\ncontrol_file = control.txt\n");
    const std::string control = dir.File("control.txt");
    MonitorTarget receiver;
    lib.Close_DevMonitor();  // closing a monitor that is not open does nothing
    lib.Open_DevMonitor(receiver.Handle(), kInput, kPlug);
    EXPECT_EQ(lib.Open_FeatureDevice(), 0);

    Append(control, "plug\n");
    ASSERT_TRUE(receiver.WaitFor(1));
    EXPECT_EQ(lib.Open_FeatureDevice(), 1);

    Append(control, "button 7\ninput 0x7F00 1\nplug-message 5\nunplug\n");
    ASSERT_TRUE(receiver.WaitFor(5));
    EXPECT_THAT(receiver.Events(),
                ElementsAre(Event{kPlug, 1, 0}, Event{kInput, 0xE000, 7}, Event{kInput, 0x7F00, 1},
                            Event{kPlug, 5, 0}, Event{kPlug, 0, 0}));
    EXPECT_EQ(lib.Open_FeatureDevice(), 0);
    ExpectPromptClose(lib);
    lib.Close_DevMonitor();
}

TEST(SimDriverLibraryTest, PlaysThePlugAndUnplugTimesOfTheScenario) {
    ScratchDir dir;
    SimLibrary lib(dir, "present = 0\nplug_at_ms = 30\nunplug_at_ms = 120\n");
    MonitorTarget receiver;
    lib.Open_DevMonitor(receiver.Handle(), kInput, kPlug);
    ASSERT_TRUE(receiver.WaitFor(2));
    EXPECT_THAT(receiver.Events(), ElementsAre(Event{kPlug, 1, 0}, Event{kPlug, 0, 0}));
    ExpectPromptClose(lib);
}

TEST(SimDriverLibraryTest, AnnouncesTheUnplugPlannedAfterSomeWrites) {
    ScratchDir dir;
    SimLibrary lib(dir, "unplug_after_writes = 1\n");
    MonitorTarget receiver;
    lib.Open_DevMonitor(receiver.Handle(), kInput, kPlug);
    ASSERT_EQ(lib.Open_FeatureDevice(), 1);
    EXPECT_EQ(lib.Write(Profile()), 1);
    ASSERT_TRUE(receiver.WaitFor(1));
    EXPECT_THAT(receiver.Events(), ElementsAre(Event{kPlug, 0, 0}));
    EXPECT_EQ(lib.Write(Profile()), 0);
    ExpectPromptClose(lib);
}

TEST(SimDriverLibraryTest, AnUpdateLeavesItsTraceAndWhatTheMouseHolds) {
    ScratchDir dir;
    const Bytes block = Block();
    WriteFileText(dir.File("fw.bin"), std::string(block.begin(), block.end() - 2));
    SimLibrary lib(dir,
                   "trace_file = trace.txt\nstate_file = state.txt\nfirmware_file = fw.bin\n"
                   "busy_polls = 0x2A:1\n");
    ASSERT_EQ(lib.Open_FeatureDevice(), 1);
    for (int n = 1; n <= 3; ++n) {
        ASSERT_EQ(lib.Write(Chunk(n)), 1);
        ASSERT_EQ(lib.Acknowledge(), 1);
    }
    for (const Bytes& r : {Profile(), MainSettings(4), ButtonMap(), OtgSpeed()}) {
        ASSERT_EQ(lib.Write(r), 1);
        ASSERT_EQ(lib.Acknowledge(), 1);
    }

    const std::string state = ReadFile(dir.File("state.txt"));
    for (const char* line :
         {"present=yes\n", "holds_complete_image=yes\n", "image_matches_firmware_file=yes\n",
          "holds_default_settings_4=yes\n", "holds_default_settings_2=no\n", "writes_0x2A=3\n",
          "commits_0x2A=3\n", "commits_0x08=1\n", "scenario_errors=0\n"})
        EXPECT_THAT(state, HasSubstr(line));

    std::istringstream trace(ReadFile(dir.File("trace.txt")));
    std::vector<std::string> lines;
    for (std::string line; std::getline(trace, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u * 3 + 4 * 2) << "every transfer, busy answers included";
    EXPECT_THAT(Untimed(lines[0]),
                StartsWith("SET len=1034 -> 1 | 2A 01 00 00 00 00 00 00 03 0A "));
    EXPECT_EQ(Untimed(lines[1]), "GET len=3 -> 1 | 04 03 2A");
    EXPECT_EQ(Untimed(lines[16]), "GET len=3 -> 1 | 04 01 08");
}

TEST(SimDriverLibraryTest, ScenarioProblemsAreReportedNotIgnored) {
    ScratchDir dir;
    SimLibrary lib(dir, "bogus = 1\nstate_file = state.txt\n");
    EXPECT_EQ(lib.Open_FeatureDevice(), 1) << "the rest of the scenario applies";
    const std::string state = ReadFile(dir.File("state.txt"));
    EXPECT_THAT(state, HasSubstr("scenario_errors=1\n"));
    EXPECT_THAT(state, HasSubstr("unknown key 'bogus'"));
    char text[64];
    EXPECT_EQ(lib.List_HidDevices(text, sizeof text), 1);
    EXPECT_THAT(text, HasSubstr("Talun R5"));
    EXPECT_EQ(lib.List_HidDevices(text, 8), 1);
    EXPECT_EQ(std::string(text).size(), 7u) << "cut to the capacity";
    EXPECT_NE(lib.HidDriver_IsSimulator(), 0);

    ScratchDir other;
    const std::string missing = other.File("missing.ini");
#ifdef _WIN32
    _putenv_s("TALUN_SIM_SCENARIO", missing.c_str());
#else
    setenv("TALUN_SIM_SCENARIO", missing.c_str(), 1);
#endif
    SimLibrary named(other, "present = 1\n");
    const int opened = named.Open_FeatureDevice();  // the scenario is read on the first call
#ifdef _WIN32
    _putenv_s("TALUN_SIM_SCENARIO", "");
#else
    unsetenv("TALUN_SIM_SCENARIO");
#endif
    EXPECT_EQ(opened, 0) << "a named scenario that is missing means no mouse";
    EXPECT_EQ(named.List_HidDevices(text, sizeof text), 0);
}

// Several mice, each in its slot with its own faults, state file, port and
// serial: the monitor says which slot came or went, and the six entry points
// reach the lowest slot plugged in.
TEST(SimDriverLibraryTest, SeveralMiceEachInItsSlot) {
    ScratchDir dir;
    SimLibrary lib(dir,
                   "mice = 3\npresent = 0\ncontrol_file = control.txt\n"
                   "state_file = state-{slot}.txt\nport = 1-1.{slot}\n"
                   "[slot 2]\nrefuse_write = 0x05\nserial = R5-0002\n");
    MonitorTarget receiver;
    lib.Open_DevMonitor(receiver.Handle(), kInput, kPlug);
    int slots[4] = {-1, -1, -1, -1};
    EXPECT_EQ(lib.List_FeatureDeviceSlots(slots, 4), 0);

    // "plug 7" (no such mouse) before "plug 0": read once slot 0's message came.
    Append(dir.File("control.txt"), "plug 2\nplug 7\nplug 0\n");
    ASSERT_TRUE(receiver.WaitFor(2));
    EXPECT_THAT(receiver.Events(), ElementsAre(Event{kPlug, 1, 2}, Event{kPlug, 1, 0}));
    ASSERT_EQ(lib.List_FeatureDeviceSlots(slots, 1), 2) << "more than fit";
    ASSERT_EQ(lib.List_FeatureDeviceSlots(slots, 4), 2);
    EXPECT_THAT(std::vector<int>(slots, slots + 2), ElementsAre(0, 2));
    char identity[64];
    ASSERT_EQ(lib.Get_FeatureDeviceSlotIdentity(2, identity, sizeof identity), 42);
    EXPECT_STREQ(identity, "port=1-1.2\nserial=R5-0002\npath=sim:slot 2\n");
    ASSERT_GT(lib.Get_FeatureDeviceSlotIdentity(0, identity, 12), 0);
    EXPECT_STREQ(identity, "port=1-1.0\n") << "cut to the buffer";
    EXPECT_EQ(lib.Get_FeatureDeviceSlotIdentity(1, identity, sizeof identity), -1)
        << "not plugged in";

    Bytes profile = Profile();
    EXPECT_EQ(lib.Open_FeatureDeviceSlot(1), 0) << "not plugged in";
    ASSERT_EQ(lib.Open_FeatureDeviceSlot(2), 1);
    EXPECT_EQ(lib.SetFeatureSlot(2, profile.data(), static_cast<int>(profile.size())), 0);
    ASSERT_EQ(lib.Open_FeatureDevice(), 1);
    EXPECT_EQ(lib.Write(Profile()), 1);
    lib.Close_FeatureDevice();  // the state file is written again
    EXPECT_THAT(ReadFile(dir.File("state-0.txt")), HasSubstr("writes_0x05=1\n"));
    EXPECT_THAT(ReadFile(dir.File("state-0.txt")), HasSubstr("no mouse in slot 7"));
    EXPECT_THAT(ReadFile(dir.File("state-2.txt")), HasSubstr("writes_0x05=0\n"));
    EXPECT_THAT(ReadFile(dir.File("state-1.txt")), HasSubstr("present=no\n"));

    Append(dir.File("control.txt"), "unplug 2\n");
    ASSERT_TRUE(receiver.WaitFor(3));
    EXPECT_EQ(receiver.Events().back(), (Event{kPlug, 0, 2}));
    EXPECT_EQ(lib.SetFeatureSlot(2, profile.data(), static_cast<int>(profile.size())), 0);
    char text[256];
    EXPECT_EQ(lib.List_HidDevices(text, sizeof text), 1);
    EXPECT_THAT(text, HasSubstr("slot 0"));

    // The one mouse is the lowest slot plugged in when the channel opens.
    Append(dir.File("control.txt"), "unplug 0\nplug 1\n");
    ASSERT_TRUE(receiver.WaitFor(5));
    ASSERT_EQ(lib.Open_FeatureDevice(), 1);
    EXPECT_EQ(lib.Write(Profile()), 1);
    lib.Close_FeatureDevice();
    EXPECT_THAT(ReadFile(dir.File("state-1.txt")), HasSubstr("writes_0x05=1\n"));
    ExpectPromptClose(lib);
}

}  // namespace
}  // namespace talun::sim
