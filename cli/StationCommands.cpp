// talun-r5 watch and update --all with a driver library that can tell mice
// apart: a station, each mouse in its own slot and updated on a worker of its
// own, every one exactly as a single update would do it.
#include <nlohmann/json.hpp>

#include <atomic>
#include <functional>
#include <map>
#include <optional>

#include "cli/Commands.h"
#include "cli/StationBoard.h"
#include "cli/WatchEvents.h"
#include "device/SlotAccess.h"
#include "update/Station.h"
#include "update/UpdateRun.h"

namespace talun::cli {

namespace {

// One slot's parts: its channel and clock (traced under the slot's name when
// there is a trace) and its progress. The channel is closed when the slot goes.
class CliSlot final : public SlotSetup {
  public:
    CliSlot(ToolSession& session, StationBoard& board, int slot)
        : access_(session.Driver(), slot), clock_(session.SystemTime()), progress_(board, slot) {
        if (TraceSink sink = session.SlotTraceSink(slot)) {
            tracedDevice_.emplace(access_, clock_, sink);
            tracedClock_.emplace(clock_, sink);
        }
        transfers_.emplace(tracedDevice_ ? static_cast<DeviceAccess&>(*tracedDevice_) : access_);
        // A failed transfer's reason is this mouse's own, never another slot's.
        DriverLibrary& library = session.Driver();
        transfers_->ReasonFrom([&library, slot] { return library.LastErrorTextSlot(slot); });
        recorder_.emplace(progress_, *transfers_, clock_);
    }
    ~CliSlot() override { access_.CloseFeatureDevice(); }

    DeviceAccess& Device() override { return *transfers_; }
    Clock& SlotClock() override {
        return tracedClock_ ? static_cast<Clock&>(*tracedClock_) : clock_;
    }
    UpdateObserver& Observer() override { return *recorder_; }
    const SlotProgress& Progress() const { return progress_; }
    RunRecorder& Recorder() { return *recorder_; }
    void OnRunStarting(std::function<void()> hook) { recorder_->OnRunStarting(std::move(hook)); }

    // Who the mouse of the current run is, and its started record's id; set as
    // the run starts, on the slot's worker.
    MouseTag tag;
    std::string logId;

  private:
    SlotAccess access_;
    Clock& clock_;
    SlotProgress progress_;
    std::optional<TracingDeviceAccess> tracedDevice_;
    std::optional<TracingClock> tracedClock_;
    std::optional<TransferCheck> transfers_;  // what the log says of a failed step
    std::optional<RunRecorder> recorder_;
};

// The station's outcomes as talun-r5 reports them: a line and a JSON object per
// mouse, and the tally of mice.
class StationReport {
  public:
    StationReport(ToolSession& session, const Output& out, const std::string& command,
                  std::optional<StationLog>& log)
        : session_(session),
          out_(out),
          command_(command),
          log_(log),
          board_(out.Human(), out.HumanIsTerminal() && EnableCursorControls(out.Human())) {}

    StationBoard& Board() { return board_; }
    int Updated() const { return updated_; }
    bool LogFailed() const { return logFailed_; }
    int NotUpdated() const { return notUpdated_; }
    std::string Tally() const {
        return "tally: " + std::to_string(updated_) + " updated, " + std::to_string(notUpdated_) +
               " not updated";
    }

    StationSetup Setup() {
        return StationSetup{session_.State(), session_.Profile(), session_.Firmware(),
                            [this](int slot) { return MakeSlot(slot); },
                            [this](const SlotOutcome& outcome) { Report(outcome); }};
    }

  private:
    std::unique_ptr<SlotSetup> MakeSlot(int slot) {
        auto parts = std::make_unique<CliSlot>(session_, board_, slot);
        parts->OnRunStarting([this, slot, p = parts.get()] { Started(slot, *p); });
        std::lock_guard<std::mutex> lock(slotsMutex_);
        slots_[slot] = parts.get();
        return parts;
    }
    CliSlot& SlotParts(int slot) {
        std::lock_guard<std::mutex> lock(slotsMutex_);
        return *slots_.at(slot);
    }

    // On the slot's worker, before the run's first write: who the mouse is, and
    // its started record.
    void Started(int slot, CliSlot& parts) {
        parts.tag = session_.TagOf(slot);
        board_.Name(slot, parts.tag.name);
        std::string error;
        parts.logId = LogStarted(log_, parts.tag, command_, error);
        if (error.empty()) return;
        logFailed_ = true;
        out_.Warn(error + "; the start of " + parts.tag.name +
                  " is not in the log: the station stops");
    }

    // On the slot's worker, one outcome at a time.
    void Report(const SlotOutcome& outcome) {
        if (outcome.action == DeviceEventAction::Detached) {
            board_.SaySlot(outcome.slot, "mouse unplugged");
            return;
        }
        const bool updated = outcome.status == UpdateStatus::Updated;
        const int mouse = updated_ + notUpdated_ + 1;
        CliSlot& parts = SlotParts(outcome.slot);
        if (!outcome.failure.empty()) {
            parts.Recorder().NoteThrown(outcome.failure);
            board_.SaySlot(outcome.slot, "error: " + outcome.failure);
        }
        std::string logError;
        if (log_ && !log_->Write(StationLog::MouseOf(command_, mouse, parts.tag, parts.logId,
                                                     outcome.status, parts.Recorder()),
                                 logError)) {
            logFailed_ = true;
            out_.Warn(logError + "; mouse " + std::to_string(mouse) + " (" + parts.tag.name +
                      ") is not in the log: the station stops");
        }
        // Counted once its record is written: a report that throws is made again.
        ++(updated ? updated_ : notUpdated_);
        board_.EndProgress(outcome.slot);
        std::string line =
            "mouse " + std::to_string(mouse) + ": " + UpdateStatusText(outcome.status);
        if (!updated) line += std::string(" ") + HINT_NOT_UPDATED;
        board_.SaySlot(outcome.slot, line);
        board_.Say(Tally());
        session_.TraceNote(parts.tag.name + ": " + line);

        nlohmann::ordered_json report = {
            {"command", command_}, {"slot", outcome.slot}, {"mouse", mouse}};
        report.update(DescribeMouse(parts.tag));
        report.update(DescribeRun(outcome.status, parts.Progress().Steps()));
        if (!outcome.failure.empty()) report["error"] = outcome.failure;
        if (const auto& failure = parts.Recorder().FirstFailure();
            failure && !failure->driverError.empty())
            report["driver_error"] = failure->driverError;
        if (!logError.empty()) report["log_error"] = logError;
        report["updated"] = updated_;
        report["not_updated"] = notUpdated_;
        out_.Emit(report);
    }

    ToolSession& session_;
    const Output& out_;
    std::string command_;
    std::optional<StationLog>& log_;
    std::atomic<bool> logFailed_{false};
    StationBoard board_;
    int updated_ = 0;  // touched by one outcome at a time
    int notUpdated_ = 0;
    std::mutex slotsMutex_;
    std::map<int, CliSlot*> slots_;
};

}  // namespace

int RunStationWatch(ToolSession& session, WatchEvents& events, const Output& out,
                    std::optional<StationLog>& log) {
    StationReport report(session, out, "watch", log);
    DriverLibrary& library = session.Driver();
    int exitCode = EXIT_UPDATED;
    {
        Station station(report.Setup());
        library.OpenDevMonitor(events.Window(), WM_HID_INPUT_EVENT, WM_HID_PLUG_EVENT);
        // As with one mouse: a mouse there from the start is updated only once it
        // has been plugged in again.
        for (const int slot : ListMouseSlots(library).value_or(std::vector<int>{})) {
            report.Board().Name(slot, session.TagOf(slot).name);
            station.MarkAttached(slot);
            report.Board().SaySlot(slot,
                                   "a mouse is plugged in already: unplug it and plug it "
                                   "in again to update it");
        }
        report.Board().Say("firmware " + session.Firmware().Describe());
        report.Board().Say(
            "waiting for Talun R5 mice, any number at once; Ctrl-C stops (the "
            "mice being updated are finished first)");
        for (;;) {
            const WatchEvent event = events.Next();
            // A mouse that is not in the log stops the station; the others finish.
            if (event.kind == WatchEvent::Kind::Stop || report.LogFailed()) break;
            session.TraceEvent(event.message, event.wParam, event.lParam);
            if (event.message == WM_HID_PLUG_EVENT && event.wParam == 1) {
                const int slot = static_cast<int>(event.lParam);
                report.Board().Name(slot, session.TagOf(slot).name);
                report.Board().SaySlot(slot, "plugged in: updating it in 1.5 seconds");
            }
            station.DeliverMessage(event.message, event.wParam, event.lParam);
        }
        station.Stop();  // every run in progress finishes
        library.CloseDevMonitor();
    }
    report.Board().Say("stopped; " + report.Tally());
    if (report.NotUpdated() > 0 || report.LogFailed()) exitCode = EXIT_NOT_UPDATED;
    return exitCode;
}

int RunStationUpdateAll(ToolSession& session, const Output& out, std::optional<StationLog>& log) {
    const std::vector<int> slots = ListMouseSlots(session.Driver()).value_or(std::vector<int>{});
    if (slots.empty()) {
        out.Say(WithReason("no mouse found", session.DriverErrorText()));
        out.Say(HINT_NOT_UPDATED);
        out.Emit({{"command", "update"},
                  {"outcome", "no-mouse"},
                  {"mice", 0},
                  {"exit", EXIT_NOT_UPDATED}});
        return EXIT_NOT_UPDATED;
    }
    StationReport report(session, out, "update", log);
    {
        Station station(report.Setup());
        for (const int slot : slots) station.UpdateNow(slot);
        station.Finish();
    }
    const int mice = static_cast<int>(slots.size());
    const int exitCode =
        report.NotUpdated() == 0 && !report.LogFailed() ? EXIT_UPDATED : EXIT_NOT_UPDATED;
    out.Say(std::to_string(mice) + (mice == 1 ? " mouse: " : " mice: ") +
            std::to_string(report.Updated()) + " updated, " + std::to_string(report.NotUpdated()) +
            " not updated");
    out.Emit({{"command", "update"},
              {"outcome", exitCode == EXIT_UPDATED ? "updated" : "not-updated"},
              {"mice", mice},
              {"updated", report.Updated()},
              {"not_updated", report.NotUpdated()},
              {"firmware", session.Firmware().Describe()},
              {"exit", exitCode}});
    return exitCode;
}

}  // namespace talun::cli
