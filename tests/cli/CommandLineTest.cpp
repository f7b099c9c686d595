// talun-r5 as a program: help and version, update against the simulated mouse,
// the exit statuses, refused arguments and firmware files, --json, devices.
#include <nlohmann/json.hpp>

#include <cctype>
#include <fstream>

#include "cli/ToolSession.h"
#include "tests/cli/CliTest.h"
#include "tests/platform/PeHeaderBytes.h"
#include "update/FirmwareImage.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class CommandLineTest : public CliTest {};

TEST_F(CommandLineTest, HelpNamesEveryCommandAndTheExitStatuses) {
    const ChildResult r = Run({"--help"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* command : {"update", "watch", "devices", "profile-select",
                                "query-main-setting", "query-macro", "macro"})
        EXPECT_THAT(r.out, HasSubstr(command));
    EXPECT_THAT(r.out, HasSubstr("3 driver library missing"));
    EXPECT_THAT(r.out, HasSubstr("4 the mouse is in use"));

    const ChildResult macro = Run({"macro", "--help"});
    ASSERT_EQ(macro.exitCode, 0);
    for (const char* name :
         {"abcd-1-time", "ab-2-times", "a-delay-b", "a-to-y-1-time", "ctrl-c", "ctrl-v"})
        EXPECT_THAT(macro.out, HasSubstr(name));

    const ChildResult watch = Run({"watch", "--help"});
    ASSERT_EQ(watch.exitCode, 0);
    EXPECT_THAT(watch.out, HasSubstr("--firmware-sha256 HEX "));
    EXPECT_THAT(watch.out, Not(HasSubstr("HEX:")));
}

TEST_F(CommandLineTest, VersionDescribesTheBuiltInImageOnOneFinishedLine) {
    const ChildResult r = Run({"--version"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_THAT(r.out, HasSubstr("3068 bytes, checksum 0x"));
    // The repository's image is the placeholder, and says so.
    EXPECT_THAT(r.out, HasSubstr("placeholder"));
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.back(), '\n');
    EXPECT_EQ(CountOccurrences(r.out, "\n"), 1);
}

TEST_F(CommandLineTest, UpdateWritesTheImageAndTheDefaultsAndExitsZero) {
    const ChildResult r =
        Run({"--trace", PathOf("trace.txt"), "update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("FIRMWARE UPDATED."));
    EXPECT_THAT(r.out, Not(HasSubstr("MAKE SURE")));
    // Not a terminal: plain lines, no bar.
    EXPECT_THAT(r.out, HasSubstr("firmware part 3 of 3   acknowledged"));
    EXPECT_THAT(r.out, Not(HasSubstr("[#")));

    auto state = State();
    EXPECT_EQ(state["holds_complete_image"], "yes");
    EXPECT_EQ(state["image_matches_firmware_file"], "yes");
    EXPECT_EQ(state["holds_default_settings_2"], "yes");
    // The trace has every chunk with the result of its write.
    const auto chunks = Only(Trace("trace.txt"), TraceKind::SetFeature);
    ASSERT_GE(chunks.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(chunks[i].length, 1034);
        EXPECT_EQ(chunks[i].result, 1);
        EXPECT_EQ(chunks[i].bytes.at(1), i + 1);
    }
}

#ifdef TALUN_SIM_STDCALL_DRIVER
TEST_F(CommandLineTest, AStdcallLibraryRunsTheSameUpdateAsACdeclOne) {
    // The simulated mouse's library built each way, on the same scenario: the
    // same transfers with the same results, and each time the mouse ends up
    // with the image and the defaults.
    const std::vector<std::string> drivers = {
        "", std::filesystem::absolute(TALUN_SIM_STDCALL_DRIVER).string()};
    std::vector<std::vector<std::string>> transfers;
    for (const std::string& driver : drivers) {
        std::filesystem::remove(PathOf("state.txt"));
        std::vector<std::string> arguments = {"--trace", PathOf("trace.txt"), "update",
                                              "--firmware", PathOf("image.bin")};
        if (!driver.empty()) arguments.insert(arguments.end(), {"--driver", driver});
        const ChildResult r = Run(arguments);
        EXPECT_EQ(r.exitCode, 0) << driver << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr("FIRMWARE UPDATED."));
        EXPECT_EQ(State()["holds_complete_image"], "yes");
        EXPECT_EQ(State()["holds_default_settings_2"], "yes");
        transfers.emplace_back();
        for (TraceLine line : Trace("trace.txt")) {
            line.atMs = 0;
            if (line.kind != TraceKind::Sleep) transfers.back().push_back(FormatTraceLine(line));
        }
    }
    EXPECT_GT(transfers[0].size(), 7u);
    EXPECT_EQ(transfers[0], transfers[1]);
}
#endif

TEST_F(CommandLineTest, AnInterruptedUpdateFinishesItsRunFirst) {
    ChildProcess update(CliProgram(), {"update", "--firmware", PathOf("image.bin")}, Options(true));
    ASSERT_TRUE(update.WaitForOut("UPDATING....", WAIT_LIMIT)) << update.Err();
    // The run takes seconds: it is still going when the interrupt is sent.
    ASSERT_THAT(update.Out(), Not(HasSubstr("FIRMWARE")));
    ASSERT_TRUE(update.Interrupt());
    EXPECT_EQ(update.WaitForExit(WAIT_LIMIT), 0) << update.Out() << update.Err();
    EXPECT_THAT(update.Out(), HasSubstr("FIRMWARE UPDATED."));
    EXPECT_THAT(update.Err(), HasSubstr("interrupted"));
    EXPECT_EQ(State()["holds_complete_image"], "yes");
}

TEST_F(CommandLineTest, UpdateWithTheBuiltInPlaceholderReachesOnlyTheSimulatedMouse) {
    const ChildResult r = Run({"update"});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(State()["holds_complete_image"], "yes");
}

TEST_F(CommandLineTest, UpdateWithoutAMouseIsNotUpdatedAndSaysWhatToCheck) {
    WriteScenario("present = 0");
    const ChildResult r = Run({"update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("FIRMWARE NOT UPDATED."));
    EXPECT_THAT(r.out, HasSubstr("MAKE SURE THE TALUN R5 IS CONNECTED."));
    EXPECT_EQ(State()["holds_complete_image"], "no");
}

TEST_F(CommandLineTest, UpdateThatTheMouseRefusesPartOfIsNotUpdated) {
    WriteScenario("refuse_write = 0x2A:2");
    const ChildResult r = Run({"--json", "update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    const auto report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report["outcome"], "not-updated");
    EXPECT_EQ(report["steps"][1]["outcome"], "write refused");
    EXPECT_EQ(report["steps"][2]["outcome"], "skipped");
    EXPECT_EQ(report["exit"], 1);
}

TEST_F(CommandLineTest, TheDriverLibrarysReasonForNoMouseIsShown) {
    const std::string reason = "no HID device present (a driver library for tests)";
    const ChildResult r =
        Run({"--driver", DriverWithoutMouse(), "update", "--firmware", PathOf("image.bin")});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("no mouse found: the feature device did not open: " + reason));

    const ChildResult json =
        Run({"--json", "--driver", DriverWithoutMouse(), "query-main-setting"});
    EXPECT_EQ(json.exitCode, 1);
    EXPECT_EQ(nlohmann::json::parse(json.out)["driver_error"], reason);
}

TEST_F(CommandLineTest, MissingDriverLibraryExitsThree) {
    // The program alone in a folder: nothing beside it to load.
    const std::filesystem::path alone = Dir() / "alone";
    std::filesystem::create_directories(alone);
    const std::filesystem::path copy = alone / std::filesystem::path(CliProgram()).filename();
    std::filesystem::copy_file(CliProgram(), copy);
    const ChildResult r = RunChild(copy.string(), {"update"}, Options(), WAIT_LIMIT);
    EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("driver library missing"));
    EXPECT_THAT(r.out, Not(HasSubstr("UPDATING")));

    const ChildResult named = Run({"--json", "--driver", PathOf("no-such-library"), "update"});
    EXPECT_EQ(named.exitCode, 3);
    EXPECT_EQ(nlohmann::json::parse(named.out)["outcome"], "no-driver");
}

TEST_F(CommandLineTest, BadUsageExitsTwoAndTouchesNothing) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"update", "--bogus"},
        {"update", "extra"},
        {"--ini", PathOf("missing.ini"), "update"},
        {"--trace", PathOf("no-such-folder/trace.txt"), "update"},
        {"macro"},
        {"macro", "ab-3-times"},
        {"query-macro", "--profile"},
        {"query-macro", "--button", "15"},
    };
    for (const auto& arguments : cases) {
        std::string line;
        for (const auto& a : arguments) line += a + " ";
        const ChildResult r = Run(arguments);
        EXPECT_EQ(r.exitCode, 2) << line << "\n" << r.out << r.err;
        EXPECT_FALSE(r.err.empty()) << line;
    }
    EXPECT_EQ(FileText("sim-trace.txt"), "");
}

#ifndef _WIN32
TEST_F(CommandLineTest, AGuardThatCannotBeTakenIsNeverIgnored) {
    ChildOptions options = Options();
    for (auto& [name, value] : options.environment)
        if (name == "TALUN_R5_GUARD_FILE") value = Dir().string();  // a folder, not a lock file
    const ChildResult r = RunChild(CliProgram(), {"update"}, options, WAIT_LIMIT);
    EXPECT_EQ(r.exitCode, 4) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("cannot take the instance guard"));
    EXPECT_EQ(FileText("sim-trace.txt"), "");
}
#endif

TEST_F(CommandLineTest, BadFirmwareFileIsRefusedBeforeTheMouseIsTouched) {
    ASSERT_EQ(Run({"query-main-setting"}).exitCode, 0);
    const std::string stateBefore = FileText("state.txt");
    const std::string traceBefore = FileText("sim-trace.txt");
    ASSERT_NE(traceBefore, "");

    struct Case {
        std::string file;
        std::string message;
    };
    const std::vector<Case> cases = {
        {WriteImage("short.bin", 3067), "has 3067 bytes; an image has exactly 3068"},
        {WriteImage("long.bin", 3070), "has more than 3068 bytes"},
        {WriteImage("empty.bin", 0), "has 0 bytes"},
        {PathOf("missing.bin"), "cannot read firmware file"},
    };
    for (const Case& c : cases) {
        for (const char* command : {"update", "watch"}) {
            const ChildResult r = Run({command, "--firmware", c.file});
            EXPECT_EQ(r.exitCode, 2) << command << " " << c.file << "\n" << r.out << r.err;
            EXPECT_THAT(r.err, HasSubstr(c.message));
        }
    }
    EXPECT_EQ(FileText("state.txt"), stateBefore);
    EXPECT_EQ(FileText("sim-trace.txt"), traceBefore);
}

TEST_F(CommandLineTest, APinnedImageThatDiffersTouchesNothing) {
    ASSERT_EQ(Run({"query-main-setting"}).exitCode, 0);
    const std::string stateBefore = FileText("state.txt");
    const std::string traceBefore = FileText("sim-trace.txt");

    const auto image = FirmwareImage::FromImage(ReadBytes("image.bin"));
    ASSERT_TRUE(image);
    const std::string pinned = cli::FirmwareSha256(*image);
    ASSERT_EQ(pinned.size(), 64u);
    const std::string builtIn = cli::FirmwareSha256(FirmwareImage::BuiltIn());
    EXPECT_THAT(Run({"--version"}).out, HasSubstr("SHA-256 " + builtIn + "\n"));

    for (const char* command : {"update", "watch"}) {
        // The built-in image, then another file, against the pin of image.bin.
        const ChildResult builtInRun = Run({command, "--firmware-sha256", pinned});
        EXPECT_EQ(builtInRun.exitCode, 2) << builtInRun.out << builtInRun.err;
        EXPECT_THAT(builtInRun.err, HasSubstr("the built-in firmware image has SHA-256 " + builtIn +
                                              ", not the pinned " + pinned));
        const ChildResult other = Run({command, "--firmware", WriteImage("other.bin", 3068, true),
                                       "--firmware-sha256", pinned});
        EXPECT_EQ(other.exitCode, 2);
        EXPECT_THAT(other.err, HasSubstr("not the pinned " + pinned));
        for (const std::string& bad : {pinned.substr(1), pinned + "0", "x" + pinned.substr(1)}) {
            const ChildResult r = Run({command, "--firmware-sha256", bad});
            EXPECT_EQ(r.exitCode, 2) << bad;
            EXPECT_THAT(r.err, HasSubstr("not 64 hexadecimal digits"));
        }
    }
    EXPECT_EQ(FileText("state.txt"), stateBefore);
    EXPECT_EQ(FileText("sim-trace.txt"), traceBefore);

    // The pin in capitals is the same pin: that image goes to the mouse.
    std::string upper = pinned;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const ChildResult r =
        Run({"update", "--firmware", PathOf("image.bin"), "--firmware-sha256", upper});
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(State()["holds_complete_image"], "yes");
}

TEST_F(CommandLineTest, JsonKeepsStandardOutputForTheObjectAlone) {
    const ChildResult r = Run({"--json", "update", "--firmware", PathOf("image.bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(CountOccurrences(r.out, "\n"), 1);
    const auto report = nlohmann::json::parse(r.out);
    EXPECT_EQ(report["command"], "update");
    EXPECT_EQ(report["outcome"], "updated");
    EXPECT_EQ(report["status"], "FIRMWARE UPDATED.");
    EXPECT_EQ(report["steps"].size(), 7u);
    EXPECT_EQ(report["exit"], 0);
    // The readable report went to standard error.
    EXPECT_THAT(r.err, HasSubstr("FIRMWARE UPDATED."));
}

TEST_F(CommandLineTest, DevicesListsWhatTheLibraryCanSee) {
    const ChildResult r = Run({"devices"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("sim:talun-r5"));
    EXPECT_THAT(r.out, HasSubstr("1 device"));
#ifdef _WIN32
    EXPECT_THAT(r.out, HasSubstr(std::to_string(sizeof(void*) * 8) +
                                 "-bit library, as this talun-r5.exe is"));
#endif

    WriteScenario("present = 0");
    const ChildResult none = Run({"--json", "devices"});
    EXPECT_EQ(none.exitCode, 0) << none.err;
    const auto report = nlohmann::json::parse(none.out);
    EXPECT_EQ(report["count"], 0);
    EXPECT_TRUE(report["devices"].empty());
}

TEST_F(CommandLineTest, DevicesNamesEachMousePluggedInByItsPortSerialAndLabelTouchingNone) {
    WriteScenario("mice = 3\nport = 1-1.{slot}\nserial = R5-000{slot}\n[slot 1]\npresent = 0\n");
    std::ofstream(Dir() / "hub.ini") << "station = line 3\n1-1.2 = A2\n";
    const ChildResult r = Run({"devices", "--station-file", PathOf("hub.ini")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("slot 0: port 1-1.0, serial R5-0000\n"));
    EXPECT_THAT(r.out, HasSubstr("slot 2: port 1-1.2, serial R5-0002, label A2\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("slot 1")));
    EXPECT_THAT(r.out, HasSubstr("2 mice plugged in"));

    const ChildResult json = Run({"--json", "devices", "--station-file", PathOf("hub.ini")});
    const auto mice = nlohmann::json::parse(json.out)["mice"];
    ASSERT_EQ(mice.size(), 2u) << json.out;
    EXPECT_EQ(mice[1], nlohmann::json::parse(R"({"slot": 2, "name": "A2", "label": "A2",
                                                "port": "1-1.2", "serial": "R5-0002"})"));
    EXPECT_EQ(State()["writes_0x05"], "0");
}

TEST_F(CommandLineTest, DevicesWithALibraryThatCannotListSaysSo) {
    const ChildResult r = Run({"--driver", DriverWithoutMouse(), "devices"});
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("cannot list devices (it has no List_HidDevices)"));

    const ChildResult json = Run({"--json", "--driver", DriverWithoutMouse(), "devices"});
    EXPECT_EQ(nlohmann::json::parse(json.out)["outcome"], "unsupported");
}

TEST_F(CommandLineTest, ALibraryOfTheOtherBitnessIsRecognisedBeforeItIsLoaded) {
    // A copy of the program with a driver library of the other bitness beside
    // it: only its header, as it is never loaded.
    const bool program64 = sizeof(void*) == 8;
    const auto header = PeHeaderBytes(program64 ? PE32_MAGIC : PE32_PLUS_MAGIC);
    std::ofstream(Dir() / cli::DriverLibraryFileName(), std::ios::binary)
        .write(reinterpret_cast<const char*>(header.data()),
               static_cast<std::streamsize>(header.size()));
    const std::filesystem::path program = Dir() / std::filesystem::path(CliProgram()).filename();
    std::filesystem::copy_file(CliProgram(), program);
    const std::string other = program64 ? "32-bit" : "64-bit";
    for (const char* command : {"update", "devices"}) {
        const ChildResult r = RunChild(program.string(), {command}, Options(), WAIT_LIMIT);
        EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
#ifdef _WIN32
        EXPECT_THAT(r.err, HasSubstr("hiddriver.dll is a " + other + " library; use the " + other +
                                     " talun-r5.exe"));
#else  // not a library of this system at all
        EXPECT_THAT(r.err, HasSubstr("driver library missing"));
        EXPECT_THAT(r.err, Not(HasSubstr("-bit library")));
#endif
    }
}

}  // namespace
}  // namespace talun::test
