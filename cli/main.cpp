// talun-r5: the firmware update tool for scripts, production stations and Linux.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "cli/CommandGuard.h"
#include "cli/Commands.h"
#include "platform/SystemInstanceGuard.h"
#include "testpanel/TestCommands.h"
#include "update/FirmwareImage.h"

namespace talun::cli {

namespace {

inline constexpr char PROGRAM_VERSION[] = "3.01";

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

}  // namespace

int Main(int argc, char** argv, InstanceGuard& guard) {
    CLI::App app{DESCRIPTION, "talun-r5"};
    app.require_subcommand(1);
    // Options of the program may also follow the command's name.
    app.fallthrough();
    app.set_version_flag("--version",
                         std::string("talun-r5 ") + PROGRAM_VERSION +
                             ", built-in firmware image: " + FirmwareImage::BuiltIn().Describe());

    SessionOptions options;
    bool json = false;
    app.add_option("--driver", options.driverPath,
                   "Driver library to use (default: the one beside the program; for the installed "
                   "program, else the installed one)")
        ->type_name("FILE");
    app.add_option("--ini", options.settingsPath,
                   "Settings file (default: default.ini beside the program; for the installed "
                   "program, else the installed one)")
        ->type_name("FILE");
    app.add_option("--trace", options.tracePath,
                   "Write every report (with time, direction, result and bytes in hex), status "
                   "read and sleep to this file")
        ->type_name("FILE");
    app.add_flag("--json", json,
                 "One JSON object per outcome on standard output (per mouse when watching); "
                 "the readable report goes to standard error");

    // The command that was chosen runs after the whole line has been parsed;
    // one that touches a mouse (guardedName set) holds the instance guard meanwhile.
    std::function<int(const Output&)> run;
    std::string guardedName;

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
    }
    update->add_flag("--all", options.allMice,
                     "Update every mouse plugged in now, in parallel, when the driver library can "
                     "tell mice apart; exit status 0 only when all were updated");
    update->callback([&] {
        guardedName = "update";
        run = [&](const Output& out) { return RunUpdateCommand(options, out); };
    });
    watch->callback([&] {
        guardedName = "watch";
        run = [&](const Output& out) { return RunWatchCommand(options, out); };
    });

    app.add_subcommand("devices",
                       "List the HID devices the driver library can see, with their identifiers "
                       "(for hiddriver.ini)")
        ->callback(
            [&] { run = [&](const Output& out) { return RunDevicesCommand(options, out); }; });

    // The production test panel.
    PanelArguments panel;
    for (const PanelCommandName& entry : PanelCommandNames()) {
        CLI::App* command = app.add_subcommand(
            entry.name,
            std::string("Test panel: \"") + TestPanelCommandCaption(entry.commandId) + "\"" +
                (entry.commandId == COMMAND_SEND_PROFILE_ID ? ""
                                                            : "; prints the mouse's reply in hex"));
        AddPanelArguments(*command, panel);
        command->callback([&, entry] {
            guardedName = entry.name;
            run = [&, entry](const Output& out) {
                return RunPanelCommand(entry.name, entry.commandId, panel, options, out);
            };
        });
    }
    CLI::App* macro =
        app.add_subcommand("macro", "Test panel: write one of the six test macros to a button");
    std::string macroName;
    std::string macroHelp = "The macro:";
    std::vector<std::string> macroNames;
    for (const PanelCommandName& entry : MacroCommandNames()) {
        macroNames.push_back(entry.name);
        macroHelp += std::string(" ") + entry.name + " (\"" +
                     TestPanelCommandCaption(entry.commandId) + "\")";
    }
    macro->add_option("name", macroName, macroHelp)
        ->required()
        ->check(CLI::IsMember(macroNames))
        ->type_name("NAME");
    AddPanelArguments(*macro, panel);
    macro->callback([&] {
        guardedName = "macro " + macroName;
        run = [&](const Output& out) {
            for (const PanelCommandName& entry : MacroCommandNames()) {
                if (macroName == entry.name)
                    return RunPanelCommand(std::string("macro ") + entry.name, entry.commandId,
                                           panel, options, out);
            }
            return EXIT_USAGE;  // not reached: the name was checked
        };
    });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? EXIT_DONE : EXIT_USAGE;
    }
    const Output out(json);
    if (!run) return EXIT_USAGE;
    return guardedName.empty() ? run(out) : RunHoldingGuard(guard, guardedName, out, run);
}

}  // namespace talun::cli

int main(int argc, char** argv) {
    const std::unique_ptr<talun::InstanceGuard> guard = talun::MakeSystemInstanceGuard();
    return talun::cli::Main(argc, argv, *guard);
}
