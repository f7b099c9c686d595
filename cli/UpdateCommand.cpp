// talun-r5 update: one update now, of the mouse that is plugged in; with --all
// and a library that tells mice apart, of every mouse plugged in, each in its
// slot of a station. Either way the runs are a station's, the one mouse its
// only slot.
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/MouseReporter.h"
#include "console/InterruptHold.h"
#include "device/SlotAccess.h"
#include "update/UpdateRun.h"

namespace talun::cli {

namespace {

int NoMouseAmongSlots(ToolSession& session, const Output& out) {
    out.Say(WithReason("no mouse found", session.DriverErrorText()));
    out.Say(HINT_NOT_UPDATED);
    out.Emit(
        {{"command", "update"}, {"outcome", "no-mouse"}, {"mice", 0}, {"exit", EXIT_NOT_UPDATED}});
    return EXIT_NOT_UPDATED;
}

int SayMice(const MouseReporter& reporter, ToolSession& session, const Output& out, int mice) {
    const int exitCode =
        reporter.NotUpdated() == 0 && !reporter.LogFailed() ? EXIT_UPDATED : EXIT_NOT_UPDATED;
    out.Say(std::to_string(mice) + (mice == 1 ? " mouse: " : " mice: ") +
            std::to_string(reporter.Updated()) + " updated, " +
            std::to_string(reporter.NotUpdated()) + " not updated");
    out.Emit({{"command", "update"},
              {"outcome", exitCode == EXIT_UPDATED ? "updated" : "not-updated"},
              {"mice", mice},
              {"updated", reporter.Updated()},
              {"not_updated", reporter.NotUpdated()},
              {"firmware", session.Firmware().Describe()},
              {"exit", exitCode}});
    return exitCode;
}

int SayOneMouse(const MouseReporter& reporter, ToolSession& session, const Output& out) {
    const MouseOutcome& mouse = reporter.Last();
    const bool updated = mouse.status == UpdateStatus::Updated;
    out.Say(UpdateStatusText(mouse.status));
    if (!updated) out.Say(HINT_NOT_UPDATED);
    if (!mouse.logError.empty()) out.Warn(mouse.logError + "; this mouse is not in the log");
    const int exitCode = updated && !reporter.LogFailed() ? EXIT_UPDATED : EXIT_NOT_UPDATED;

    nlohmann::ordered_json report = {{"command", "update"}};
    report.update(mouse.mouse);
    report.update(mouse.run);
    report["firmware"] = session.Firmware().Describe();
    const std::string& refusal = session.State().firmwareRefusal;
    if (!refusal.empty()) report["refusal"] = refusal;
    if (!mouse.error.empty()) report["error"] = mouse.error;
    if (!mouse.driverError.empty()) report["driver_error"] = mouse.driverError;
    if (!mouse.logError.empty()) report["log_error"] = mouse.logError;
    report["exit"] = exitCode;
    out.Emit(report);
    return exitCode;
}

}  // namespace

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
    const console::InterruptHold hold;
    if (!hold.Problem().empty()) out.Warn(hold.Problem());
    std::string logError;
    std::optional<StationLog> log = StationLog::Open(options.logPath, logError);
    if (!logError.empty()) return out.Fail("update", "bad-usage", EXIT_USAGE, logError);
    int exitCode = EXIT_NOT_UPDATED;
    std::unique_ptr<ToolSession> session = OpenToolSession("update", options, out, exitCode);
    if (!session) return exitCode;
    const std::string refusal = session->State().firmwareRefusal;
    if (!refusal.empty()) out.Warn(refusal);

    std::vector<int> slots = {0};
    const auto listed = options.allMice ? ListMouseSlots(session->Driver()) : std::nullopt;
    if (listed && listed->empty()) return NoMouseAmongSlots(*session, out);
    if (listed) slots = *listed;
    const MiceShown shown = listed ? MiceShown::BySlot : MiceShown::One;

    MouseReporter reporter(*session, out, "update", log, shown, shown == MiceShown::BySlot);
    {
        Station station(reporter.Setup());
        for (const int slot : slots) station.UpdateNow(slot);
        station.Finish();
    }
    if (shown == MiceShown::One) return SayOneMouse(reporter, *session, out);
    return SayMice(reporter, *session, out, static_cast<int>(slots.size()));
}

}  // namespace talun::cli
