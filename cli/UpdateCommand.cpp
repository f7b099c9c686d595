// talun-r5 update: one update now, of the mouse that is plugged in.
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/InterruptHold.h"
#include "cli/StationLog.h"
#include "device/SlotAccess.h"
#include "update/UpdateRun.h"

namespace talun::cli {

nlohmann::ordered_json DescribeRun(UpdateStatus status,
                                   const std::vector<ProgressReporter::StepRecord>& steps) {
    nlohmann::ordered_json described = nlohmann::ordered_json::array();
    for (const auto& [step, outcome] : steps)
        described.push_back(
            {{"step", UpdateStepName(step)}, {"outcome", StepOutcomeName(outcome)}});
    return {{"outcome", status == UpdateStatus::Updated ? "updated" : "not-updated"},
            {"status", UpdateStatusText(status)},
            {"steps", described}};
}

nlohmann::ordered_json DescribeRun(UpdateStatus status, const ProgressReporter& progress) {
    return DescribeRun(status, progress.Steps());
}

nlohmann::ordered_json DescribeMouse(const MouseTag& tag) {
    const auto textOrNull = [](const std::string& text) {
        return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
    };
    return {{"name", tag.name},
            {"label", textOrNull(tag.label)},
            {"port", textOrNull(tag.port)},
            {"serial", textOrNull(tag.serial)}};
}

void DescribeLog(std::optional<StationLog>& log, const ToolSession& session) {
    if (log)
        log->SetContext({session.Station().station, session.Lot(), session.FirmwareSha256Hex()});
}

std::string LogStarted(std::optional<StationLog>& log, const MouseTag& tag,
                       const std::string& command, std::string& error) {
    if (!log) return {};
    return log->WriteStarted(tag, command, error).value_or("");
}

std::string WithReason(const std::string& text, const std::string& reason) {
    return reason.empty() ? text : text + ": " + reason;
}

void SayDriverError(ToolSession& session, const Output& out, std::string& said) {
    if (!said.empty()) return;
    said = session.DriverErrorText();
    if (!said.empty()) out.Say("driver library: " + said);
}

int RunUpdateCommand(const SessionOptions& options, const Output& out) {
    // An interrupt never cuts a firmware write short: the run finishes first.
    const InterruptHold hold;
    if (!hold.Problem().empty()) out.Warn(hold.Problem());
    std::string logError;
    std::optional<StationLog> log = StationLog::Open(options.logPath, logError);
    if (!logError.empty()) return out.Fail("update", "bad-usage", EXIT_USAGE, logError);
    int exitCode = EXIT_NOT_UPDATED;
    std::unique_ptr<ToolSession> session = OpenToolSession("update", options, out, exitCode);
    if (!session) return exitCode;
    DescribeLog(log, *session);
    const std::string refusal = session->State().firmwareRefusal;
    if (!refusal.empty()) out.Warn(refusal);
    if (options.allMice && ListMouseSlots(session->Driver()))
        return RunStationUpdateAll(*session, out, log);

    ProgressReporter progress(out.Human(), out.HumanIsTerminal());
    TransferCheck transfers(session->Device());
    RunRecorder recorder(progress, transfers, session->SessionClock());
    MouseTag tag;
    std::string logId;
    std::string startError;
    recorder.OnRunStarting([&] {
        tag = session->TagOfOneMouse();
        logId = LogStarted(log, tag, "update", startError);
    });
    CoreContext ctx = session->Context(recorder, transfers);
    std::string driverError;
    if (!ctx.device.OpenFeatureDevice()) {
        driverError = session->DriverErrorText();
        out.Say(WithReason("no mouse found: the feature device did not open", driverError));
    }
    const UpdateStatus status = RunUpdate(ctx);
    if (status != UpdateStatus::Updated) SayDriverError(*session, out, driverError);
    ctx.device.CloseFeatureDevice();

    // The log line is on the disk before the outcome is shown.
    bool logged = !log || log->Write(StationLog::MouseOf("update", 1, tag, logId, status, recorder),
                                     logError);
    if (!startError.empty()) {
        logged = false;
        logError = startError + "; its start";
    }
    out.Say(UpdateStatusText(status));
    if (status != UpdateStatus::Updated) out.Say(HINT_NOT_UPDATED);
    if (!logged) out.Warn(logError + "; this mouse is not in the log");
    exitCode = status == UpdateStatus::Updated && logged ? EXIT_UPDATED : EXIT_NOT_UPDATED;

    nlohmann::ordered_json report = {{"command", "update"}};
    report.update(DescribeMouse(tag));
    report.update(DescribeRun(status, progress));
    report["firmware"] = session->Firmware().Describe();
    if (!refusal.empty()) report["refusal"] = refusal;
    if (!driverError.empty()) report["driver_error"] = driverError;
    if (!logged) report["log_error"] = logError;
    report["exit"] = exitCode;
    out.Emit(report);
    return exitCode;
}

}  // namespace talun::cli
