// The commands of talun-r5. Each returns the program's exit status (see
// ToolSession.h) and reports through out.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

#include "cli/Output.h"
#include "cli/ProgressReporter.h"
#include "cli/StationLog.h"
#include "cli/ToolSession.h"

namespace talun::cli {

inline constexpr char PROGRAM_VERSION[] = "3.01";

// One update now, of the mouse that is plugged in.
int RunUpdateCommand(const SessionOptions& options, const Output& out);

// The production loop: update every mouse that is plugged in, until interrupted.
int RunWatchCommand(const SessionOptions& options, const Output& out);

class WatchEvents;
// With a driver library that tells mice apart (ListMouseSlots gives a list):
// watch updates each mouse as it is plugged in, in parallel with the others;
// update --all updates every mouse plugged in now, exit 0 only when all were.
// Each mouse goes into log (when there is one) before its outcome is shown.
int RunStationWatch(ToolSession& session, WatchEvents& events, const Output& out,
                    std::optional<StationLog>& log);
int RunStationUpdateAll(ToolSession& session, const Output& out, std::optional<StationLog>& log);
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

// Who the mouse is, as JSON members: name, label, port, serial (null when not
// known).
nlohmann::ordered_json DescribeMouse(const MouseTag& tag);
// The log (when there is one) learns the session's station, lot and image.
void DescribeLog(std::optional<StationLog>& log, const ToolSession& session);
// The started record of the mouse, when there is a log: its id; empty, with
// error set, when it was not written (and when there is no log).
std::string LogStarted(std::optional<StationLog>& log, const MouseTag& tag,
                       const std::string& command, std::string& error);

// An update run's outcome, its final status text and its steps, as JSON members.
nlohmann::ordered_json DescribeRun(UpdateStatus status, const ProgressReporter& progress);
nlohmann::ordered_json DescribeRun(UpdateStatus status,
                                   const std::vector<ProgressReporter::StepRecord>& steps);

}  // namespace talun::cli
