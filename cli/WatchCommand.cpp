// talun-r5 watch: the production loop. Waits for each mouse, updates it as the
// window does when it is plugged in (after 1500 ms, through the core's device
// events), logs and reports the outcome and a running tally, and goes on until it
// is interrupted. An interrupt is acted on between mice: a run in progress
// finishes.
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/StationLog.h"
#include "cli/WatchEvents.h"
#include "device/DriverLibrary.h"
#include "device/SlotAccess.h"
#include "update/DeviceEvents.h"
#include "update/UpdateRun.h"

namespace talun::cli {

namespace {

struct Tally {
    int updated = 0;
    int notUpdated = 0;

    std::string Text() const {
        return "tally: " + std::to_string(updated) + " updated, " + std::to_string(notUpdated) +
               " not updated";
    }
};

// The monitor and the feature device, open for as long as this lives.
class OpenedDevice {
  public:
    OpenedDevice(DeviceAccess& device, HidWindow window)
        : device_(device), featureOpen_(OpenDeviceAccess(device, window) != 0) {}
    ~OpenedDevice() { CloseDeviceAccess(device_); }
    OpenedDevice(const OpenedDevice&) = delete;
    OpenedDevice& operator=(const OpenedDevice&) = delete;

    bool FeatureOpenAtStart() const { return featureOpen_; }

  private:
    DeviceAccess& device_;
    bool featureOpen_;
};

// Whether DispatchDeviceEvent will take this event as a mouse being plugged in.
bool IsAttach(uint32_t eventCode, const ToolState& state) {
    return (eventCode >> 16) == EVENT_CLASS_PLUG && (eventCode & 0xFFFFu) == EVENT_PLUG_ATTACHED &&
           state.linkState != LinkState::Attached;
}

// A station of one mouse at a time: its events, its run, its log line and report.
class OneMouseStation {
  public:
    OneMouseStation(ToolSession& session, const Output& out, std::optional<StationLog>& log)
        : session_(session),
          out_(out),
          log_(log),
          progress_(out.Human(), out.HumanIsTerminal()),
          transfers_(session.Device()),
          recorder_(progress_, transfers_, session.SessionClock()),
          ctx_(session.Context(recorder_, transfers_)) {
        // Who the mouse is, and its started record, before the run's first write.
        recorder_.OnRunStarting([this] {
            tag_ = session_.TagOfOneMouse();
            startError_.clear();
            logId_ = LogStarted(log_, tag_, "watch", startError_);
        });
    }

    CoreContext& Context() { return ctx_; }
    const Tally& Totals() const { return tally_; }
    bool LogFailed() const { return logFailed_; }

    // Handles one message of the monitor. false: the station must stop.
    bool Handle(const WatchEvent& event) {
        const uint32_t code = event.message == WM_HID_PLUG_EVENT
                                  ? plugs_.EventOf(event.wParam, event.lParam)
                                  : InputEventCode(event.wParam, event.lParam);
        session_.TraceEvent(event.message, event.wParam, event.lParam);
        if (IsAttach(code, ctx_.state)) {
            ++mouseNumber_;
            out_.Say("mouse " + std::to_string(mouseNumber_) +
                     " plugged in: updating it in 1.5 seconds");
            session_.TraceNote("mouse " + std::to_string(mouseNumber_) + " plugged in");
        }
        const DeviceEventAction action = DispatchDeviceEvent(ctx_, code);
        if (action == DeviceEventAction::Attached) return Report();
        if (action == DeviceEventAction::Detached)
            out_.Say("mouse unplugged; waiting for the next one");
        return true;
    }

  private:
    // Logs the mouse, then reports it. false when its log line was not written.
    bool Report() {
        const UpdateStatus status = ctx_.state.updateStatus;
        const bool updated = status == UpdateStatus::Updated;
        std::string logError;
        if (log_) {
            const auto mouse =
                StationLog::MouseOf("watch", mouseNumber_, tag_, logId_, status, recorder_);
            logFailed_ = !log_->Write(mouse, logError);
            if (!startError_.empty()) {
                logFailed_ = true;
                logError = startError_ + "; its start";
            }
        }
        ++(updated ? tally_.updated : tally_.notUpdated);
        // Named by its label or port where the library says where it is.
        const std::string named = tag_.port.empty() ? "" : " (" + tag_.name + ")";
        std::string line =
            "mouse " + std::to_string(mouseNumber_) + named + ": " + UpdateStatusText(status);
        if (!updated) line += std::string(" ") + HINT_NOT_UPDATED;
        std::string driverError;
        if (!updated) SayDriverError(session_, out_, driverError);
        out_.Say(line);
        out_.Say(tally_.Text());
        nlohmann::ordered_json report = {{"command", "watch"}, {"mouse", mouseNumber_}};
        report.update(DescribeMouse(tag_));
        report.update(DescribeRun(status, progress_));
        if (!driverError.empty()) report["driver_error"] = driverError;
        if (logFailed_) report["log_error"] = logError;
        report["updated"] = tally_.updated;
        report["not_updated"] = tally_.notUpdated;
        out_.Emit(report);
        if (logFailed_)
            out_.Warn(logError + "; mouse " + std::to_string(mouseNumber_) +
                      " is not in the log: the station stops");
        return !logFailed_;
    }

    ToolSession& session_;
    const Output& out_;
    std::optional<StationLog>& log_;
    ProgressReporter progress_;
    TransferCheck transfers_;
    RunRecorder recorder_;
    CoreContext ctx_;
    Tally tally_;
    OneMousePlugs plugs_;
    MouseTag tag_;  // the mouse of the current run, and its started record
    std::string logId_;
    std::string startError_;
    int mouseNumber_ = 0;
    bool logFailed_ = false;
};

}  // namespace

int RunWatchCommand(const SessionOptions& options, const Output& out) {
    // Before the driver library is loaded: no thread of it may take an interrupt.
    WatchEvents events;
    if (!events.Problem().empty())
        return out.Fail("watch", "failed", EXIT_FAILED, events.Problem());

    std::string logError;
    std::optional<StationLog> log = StationLog::Open(options.logPath, logError);
    if (!logError.empty()) return out.Fail("watch", "bad-usage", EXIT_USAGE, logError);
    int exitCode = EXIT_NOT_UPDATED;
    std::unique_ptr<ToolSession> session = OpenToolSession("watch", options, out, exitCode);
    if (!session) return exitCode;
    DescribeLog(log, *session);
    // Every mouse would end "not updated" without being touched: say so at once.
    if (!session->State().firmwareRefusal.empty())
        return out.Fail("watch", "refused", EXIT_NOT_UPDATED, session->State().firmwareRefusal);
    if (session->Driver().Slots().Open_DevMonitor == nullptr) {
        return out.Fail("watch", "no-driver", EXIT_NO_DRIVER,
                        "the driver library has no device monitor (Open_DevMonitor): it cannot "
                        "tell when a mouse is plugged in");
    }

    if (ListMouseSlots(session->Driver())) return RunStationWatch(*session, events, out, log);

    OneMouseStation station(*session, out, log);
    const OpenedDevice opened(station.Context().device, events.Window());
    if (opened.FeatureOpenAtStart()) {
        // As in the window: a mouse that is there from the start counts as
        // attached and is updated only once it has been plugged in again.
        station.Context().state.linkState = LinkState::Attached;
        out.Say("a mouse is plugged in already: unplug it and plug it in again to update it");
    } else if (const std::string reason = session->DriverErrorText(); !reason.empty()) {
        // Often the reason no mouse will ever be found (hiddriver.ini, access).
        out.Say("no mouse yet: " + reason);
    }
    out.Say("firmware " + session->Firmware().Describe());
    if (log) out.Say("logging every mouse to " + log->Path());
    out.Say("waiting for Talun R5 mice; Ctrl-C stops (a mouse being updated is finished first)");

    for (;;) {
        const WatchEvent event = events.Next();
        if (event.kind == WatchEvent::Kind::Stop || !station.Handle(event)) break;
    }
    out.Say("stopped; " + station.Totals().Text());
    return station.Totals().notUpdated == 0 && !station.LogFailed() ? EXIT_UPDATED
                                                                    : EXIT_NOT_UPDATED;
}

}  // namespace talun::cli
