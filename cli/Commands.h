// The commands of talun-r5. Each returns the program's exit status (see
// ToolSession.h) and reports through out.
#pragma once

#include <string>
#include <vector>

#include "cli/Output.h"
#include "cli/ToolSession.h"

namespace talun::cli {

inline constexpr char PROGRAM_VERSION[] = "3.01";

// One update now, of the mouse that is plugged in.
int RunUpdateCommand(const SessionOptions& options, const Output& out);

// The production loop: update every mouse that is plugged in, until interrupted.
int RunWatchCommand(const SessionOptions& options, const Output& out);

// The tally (interrupted mice apart, each listed), the failures by step and mice
// per hour of a production log; with csv, one row per mouse (LogCsv).
int RunSummaryCommand(const std::string& logPath, bool csv, const Output& out);

// The HID devices the driver library can see.
int RunDevicesCommand(const SessionOptions& options, const Output& out);

// A command of the production test panel, by its name on the command line.
struct PanelCommandName {
    const char* name;  // e.g. "query-macro"
    int commandId;     // COMMAND_* of testpanel/TestCommands.h
};
// profile-select, query-main-setting, query-macro.
const std::vector<PanelCommandName>& PanelCommandNames();
// The six test macros of the "macro" command: abcd-1-time, ab-2-times, ...
const std::vector<PanelCommandName>& MacroCommandNames();

// The two entry boxes' text, as given: checked by the window's rules.
struct PanelArguments {
    std::string profileId = "0";
    std::string buttonNumber = "0";
};
int RunPanelCommand(const std::string& commandName, int commandId, const PanelArguments& arguments,
                    const SessionOptions& options, const Output& out);

// "text: reason", or text alone when there is no reason.
std::string WithReason(const std::string& text, const std::string& reason);
// Says why the driver library's last call failed, unless a reason was said
// already (said not empty); said becomes the reason.
void SayDriverError(ToolSession& session, const Output& out, std::string& said);

}  // namespace talun::cli
