// talun-r5: the firmware update tool for scripts, production stations and Linux.
#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/CommandGuard.h"
#include "cli/Commands.h"
#include "platform/Sha256.h"
#include "platform/SystemInstanceGuard.h"
#include "testpanel/TestCommands.h"
#include "update/FirmwareImage.h"

namespace talun::cli {

namespace {

inline constexpr char DESCRIPTION[] =
    "Talun R5 firmware update tool: writes the firmware into a Talun R5 mouse and puts its "
    "settings back to the defaults, and runs the production test commands.\n"
    "Exit status: 0 updated (or done), 1 not updated (or the command failed), 2 bad usage, "
    "3 driver library missing, 4 the mouse is in use by the window or another talun-r5 "
    "(nothing was sent).";

void AddPanelArguments(CLI::App& command, PanelArguments& arguments) {
    command
        .add_option("--profile", arguments.profileId,
                    "Profile id, an integer from 0 to 4 (default 0)")
        ->type_name("N");
    command
        .add_option("--button", arguments.buttonNumber,
                    "Button number, an integer from 0 to 14 (default 0)")
        ->type_name("N");
}

// What the command line chose, filled in while it is parsed. The command runs
// after the whole line has been parsed; one that touches a mouse (guardedName
// set) holds the instance guard meanwhile.
struct CommandLine {
    SessionOptions options;
    bool json = false;
    PanelArguments panel;
    std::string macroName;
    std::string summaryLog;
    bool summaryCsv = false;
    std::function<int(const Output&)> run;
    std::string guardedName;

    void Choose(std::string guarded, std::function<int(const Output&)> command) {
        guardedName = std::move(guarded);
        run = std::move(command);
    }
};

void AddProgramOptions(CLI::App& app, CommandLine& line) {
    app.add_option("--driver", line.options.driverPath,
                   "Driver library to use (default: the one beside the program; for the installed "
                   "program, else the installed one)")
        ->type_name("FILE");
    app.add_option("--ini", line.options.settingsPath,
                   "Settings file (default: default.ini beside the program; for the installed "
                   "program, else the installed one)")
        ->type_name("FILE");
    app.add_option("--trace", line.options.tracePath,
                   "Write every report (with time, direction, result and bytes in hex), status "
                   "read and sleep to this file")
        ->type_name("FILE");
    app.add_option("--record", line.options.recordPath,
                   "Record every call into the driver library (entry point, arguments, result, "
                   "bytes, time) and every message of its monitor to this file, for the replay "
                   "driver library")
        ->type_name("FILE");
    app.add_flag("--json", line.json,
                 "One JSON object per outcome on standard output (per mouse when watching); "
                 "the readable report goes to standard error");
}

// update, watch and devices.
void AddUpdateCommands(CLI::App& app, CommandLine& line) {
    SessionOptions& options = line.options;
    CLI::App* update = app.add_subcommand("update", "Update the mouse that is plugged in, now");
    CLI::App* watch = app.add_subcommand(
        "watch",
        "Wait for each mouse, update it 1.5 seconds after it is plugged in, report and keep a "
        "tally; until interrupted (Ctrl-C stops between mice, never during an update). "
        "Exit status 0 when every mouse was updated, 1 when any was not");
    for (CLI::App* command : {update, watch}) {
        command
            ->add_option("--firmware", options.firmwarePath,
                         "Firmware image file of exactly 3068 bytes in place of the built-in "
                         "image")
            ->type_name("FILE");
        command
            ->add_option("--firmware-sha256", options.firmwareSha256,
                         "Refuse, before any mouse is touched, an image (built-in or "
                         "--firmware) whose SHA-256 is not this one")
            ->type_name("HEX")
            ->check(CLI::Validator(
                [](const std::string& text) {
                    return ParseSha256Hex(text) ? std::string()
                                                : std::string("not 64 hexadecimal digits");
                },
                ""));  // no description: the value's name stays "HEX" alone
        command
            ->add_option("--log", options.logPath,
                         "Append one JSON line per mouse to this production log, flushed to "
                         "the disk before the outcome is shown")
            ->type_name("FILE");
        command
            ->add_option("--station-file", options.stationFilePath,
                         "The station's name and the labels of its ports (default: station.ini "
                         "beside the program, if there is one)")
            ->type_name("FILE");
        command
            ->add_option("--lot", options.lot,
                         "The lot or work order, recorded with every mouse (one line of text)")
            ->type_name("TEXT");
    }
    watch->add_flag("--board", options.board,
                    "A full-screen board: a tile per port or slot with its state in large "
                    "coloured words, above them the station, the image, the tally, the yield and "
                    "mice per hour (plain lines when the output is not a terminal)");
    watch
        ->add_option("--metrics", options.metricsPath,
                     "Keep the station's figures in this file, in the Prometheus text format "
                     "for a node exporter's textfile collector, replaced whole on every change")
        ->type_name("FILE");
    update->add_flag("--all", options.allMice,
                     "Update every mouse plugged in now, in parallel, when the driver library can "
                     "tell mice apart; exit status 0 only when all were updated");
    update->callback([&line] {
        line.Choose("update",
                    [&line](const Output& out) { return RunUpdateCommand(line.options, out); });
    });
    watch->callback([&line] {
        line.Choose("watch",
                    [&line](const Output& out) { return RunWatchCommand(line.options, out); });
    });
    // These touch no mouse: no guard.
    CLI::App* summary = app.add_subcommand(
        "summary",
        "From a production log (--log): the tally, the interrupted mice, the failures by step, "
        "mice per hour");
    summary->add_option("log", line.summaryLog, "The log file")->required()->type_name("FILE");
    summary->add_flag("--csv", line.summaryCsv,
                      "One CSV row per mouse instead (RFC 4180), with a header row");
    summary->callback([&line] {
        line.Choose("", [&line](const Output& out) {
            return RunSummaryCommand(line.summaryLog, line.summaryCsv, out);
        });
    });
    CLI::App* devices = app.add_subcommand(
        "devices",
        "List the HID devices the driver library can see, with their identifiers (for "
        "hiddriver.ini), and the mice plugged in, each in its slot with its port, serial and "
        "label (for the station file); touches no mouse");
    devices
        ->add_option("--station-file", options.stationFilePath,
                     "The station file whose labels to show (default: station.ini beside the "
                     "program, if there is one)")
        ->type_name("FILE");
    devices->callback([&line] {
        line.Choose("",
                    [&line](const Output& out) { return RunDevicesCommand(line.options, out); });
    });
}

// The production test panel: profile-select, the queries and macro NAME.
void AddPanelCommands(CLI::App& app, CommandLine& line) {
    for (const PanelCommandName& entry : PanelCommandNames()) {
        CLI::App* command = app.add_subcommand(
            entry.name,
            std::string("Test panel: \"") + TestPanelCommandCaption(entry.commandId) + "\"" +
                (entry.commandId == COMMAND_SEND_PROFILE_ID ? ""
                                                            : "; prints the mouse's reply in hex"));
        AddPanelArguments(*command, line.panel);
        command->callback([&line, entry] {
            line.Choose(entry.name, [&line, entry](const Output& out) {
                return RunPanelCommand(entry.name, entry.commandId, line.panel, line.options, out);
            });
        });
    }
    CLI::App* macro =
        app.add_subcommand("macro", "Test panel: write one of the six test macros to a button");
    std::string macroHelp = "The macro:";
    std::vector<std::string> macroNames;
    for (const PanelCommandName& entry : MacroCommandNames()) {
        macroNames.push_back(entry.name);
        macroHelp += std::string(" ") + entry.name + " (\"" +
                     TestPanelCommandCaption(entry.commandId) + "\")";
    }
    macro->add_option("name", line.macroName, macroHelp)
        ->required()
        ->check(CLI::IsMember(macroNames))
        ->type_name("NAME");
    AddPanelArguments(*macro, line.panel);
    macro->callback([&line] {
        for (const PanelCommandName& entry : MacroCommandNames()) {
            if (line.macroName != entry.name) continue;
            const std::string name = std::string("macro ") + entry.name;
            line.Choose(name, [&line, name, entry](const Output& out) {
                return RunPanelCommand(name, entry.commandId, line.panel, line.options, out);
            });
        }
    });
}

}  // namespace

int Main(int argc, char** argv, InstanceGuard& guard) {
    CLI::App app{DESCRIPTION, "talun-r5"};
    app.require_subcommand(1);
    // Options of the program may also follow the command's name.
    app.fallthrough();
    const FirmwareImage& builtIn = FirmwareImage::BuiltIn();
    app.set_version_flag("--version", std::string("talun-r5 ") + PROGRAM_VERSION +
                                          ", built-in firmware image: " + builtIn.Describe() +
                                          ", SHA-256 " + FirmwareSha256(builtIn));
    CommandLine line;
    AddProgramOptions(app, line);
    AddUpdateCommands(app, line);
    AddPanelCommands(app, line);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? EXIT_DONE : EXIT_USAGE;
    }
    const Output out(line.json);
    if (!line.run) return EXIT_USAGE;
    return line.guardedName.empty() ? line.run(out)
                                    : RunHoldingGuard(guard, line.guardedName, out, line.run);
}

}  // namespace talun::cli

int main(int argc, char** argv) {
    const std::unique_ptr<talun::InstanceGuard> guard = talun::MakeSystemInstanceGuard();
    return talun::cli::Main(argc, argv, *guard);
}
