#include "cli/MouseReporter.h"

#include "cli/Commands.h"
#include "device/SlotAccess.h"
#include "device/TransferTrace.h"
#include "update/UpdateRun.h"

namespace talun::cli {

namespace {

inline constexpr char NO_MOUSE[] = "no mouse found: the feature device did not open";

// The one mouse's channel: says at once when it does not open, and why.
class OpenCheck final : public ForwardingDeviceAccess {
  public:
    OpenCheck(DeviceAccess& inner, ToolSession& session, const Output& out)
        : ForwardingDeviceAccess(inner), session_(session), out_(out) {}
    int OpenFeatureDevice() override {
        const int opened = ForwardingDeviceAccess::OpenFeatureDevice();
        if (opened == 0) {
            reason = session_.DriverErrorText();
            out_.Say(WithReason(NO_MOUSE, reason));
        }
        return opened;
    }
    std::string reason;

  private:
    ToolSession& session_;
    const Output& out_;
};

}  // namespace

nlohmann::ordered_json DescribeRun(UpdateStatus status, const RunRecorder& recorder) {
    nlohmann::ordered_json described = nlohmann::ordered_json::array();
    for (const auto& [step, outcome] : recorder.Steps())
        described.push_back(
            {{"step", UpdateStepName(step)}, {"outcome", StepOutcomeName(outcome)}});
    return {{"outcome", status == UpdateStatus::Updated ? "updated" : "not-updated"},
            {"status", UpdateStatusText(status)},
            {"steps", described}};
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

// One slot's parts: its channel and clock (traced, under the slot's name for a
// station), its display and the recorder of its run, and who the mouse of the
// run is. A station's slot closes its channel when it goes; the one mouse's is
// the front end's to close.
class MouseReporter::Slot final : public SlotSetup {
  public:
    Slot(MouseReporter& reporter, int slot) : clock_(reporter.session_.SystemTime()) {
        ToolSession& session = reporter.session_;
        const bool one = reporter.shown_ == MiceShown::One;
        DriverLibrary& library = session.Driver();
        DeviceAccess* device = &library;
        if (!one) device = &slotAccess_.emplace(library, slot);
        if (TraceSink sink = session.SlotTraceSink(one ? -1 : slot)) {
            device = &tracedDevice_.emplace(*device, clock_, sink);
            tracedClock_.emplace(clock_, sink);
        }
        if (one && !reporter.announce_)
            device = &openCheck_.emplace(*device, session, reporter.out_);
        transfers_.emplace(*device);
        // A failed transfer's reason is this mouse's own, never another slot's.
        if (!one)
            transfers_->ReasonFrom([&library, slot] { return library.LastErrorTextSlot(slot); });
        UpdateObserver* display = &reporter.progress_;
        if (!one) display = &slotProgress_.emplace(reporter.board_, slot);
        if (StationMonitor* monitor = reporter.monitor_) {
            if (monitor->BoardShown()) display = &quiet_;  // the board has the screen
            display = &monitored_.emplace(*monitor, slot, *display);
        }
        recorder_.emplace(*display, *transfers_, clock_);
    }
    ~Slot() override {
        if (slotAccess_) slotAccess_->CloseFeatureDevice();
    }

    DeviceAccess& Device() override { return *transfers_; }
    Clock& SlotClock() override {
        return tracedClock_ ? static_cast<Clock&>(*tracedClock_) : clock_;
    }
    UpdateObserver& Observer() override { return *recorder_; }
    RunRecorder& Recorder() { return *recorder_; }
    const RunRecorder& Recorder() const { return *recorder_; }
    std::string NoMouseReason() const { return openCheck_ ? openCheck_->reason : ""; }

    // Set as the run starts, on the slot's worker: who the mouse is, its
    // started record's id, and why that record was not written.
    MouseTag tag;
    std::string logId;
    std::string startError;

  private:
    Clock& clock_;
    std::optional<SlotAccess> slotAccess_;
    std::optional<TracingDeviceAccess> tracedDevice_;
    std::optional<TracingClock> tracedClock_;
    std::optional<OpenCheck> openCheck_;
    std::optional<TransferCheck> transfers_;  // what the log says of a failed step
    std::optional<SlotProgress> slotProgress_;
    UpdateObserver quiet_;
    std::optional<MonitoredRun> monitored_;
    std::optional<RunRecorder> recorder_;
};

MouseReporter::MouseReporter(ToolSession& session, const Output& out, std::string command,
                             std::optional<StationLog>& log, MiceShown shown, bool announce)
    : session_(session),
      out_(out),
      command_(std::move(command)),
      log_(log),
      shown_(shown),
      announce_(announce),
      progress_(out.Human(), out.HumanIsTerminal()),
      board_(out.Human(), shown == MiceShown::BySlot && out.HumanIsTerminal() &&
                              EnableCursorControls(out.Human())) {
    if (log_)
        log_->SetContext({session.Station().station, session.Lot(), session.FirmwareSha256Hex(),
                          PROGRAM_VERSION});
}

MouseReporter::~MouseReporter() = default;

StationSetup MouseReporter::Setup() {
    StationSetup setup{session_.State(), session_.Profile(), session_.Firmware(),
                       [this](int slot) { return MakeSlot(slot); },
                       [this](const SlotOutcome& outcome) { OnOutcome(outcome); }};
    setup.onAttaching = [this](int slot) { OnAttaching(slot); };
    setup.oneMouse = shown_ == MiceShown::One;
    return setup;
}

std::unique_ptr<SlotSetup> MouseReporter::MakeSlot(int slot) {
    auto parts = std::make_unique<Slot>(*this, slot);
    parts->Recorder().OnRunStarting([this, slot, p = parts.get()] { OnRunStarting(slot, *p); });
    std::lock_guard<std::mutex> lock(slotsMutex_);
    slots_[slot] = parts.get();
    return parts;
}

MouseReporter::Slot& MouseReporter::Parts(int slot) {
    std::lock_guard<std::mutex> lock(slotsMutex_);
    return *slots_.at(slot);
}

void MouseReporter::Name(int slot) {
    if (shown_ != MiceShown::BySlot) return;
    const MouseTag tag = session_.TagOf(slot);
    board_.Name(slot, tag.name);
    if (monitor_) monitor_->Named(slot, tag);
}

void MouseReporter::Say(const std::string& line) {
    if (BoardHasScreen()) {
        monitor_->Note(line);
    } else if (shown_ == MiceShown::One) {
        out_.Say(line);
    } else {
        board_.Say(line);
    }
}

void MouseReporter::SaySlot(int slot, const std::string& text) {
    Say(shown_ == MiceShown::One ? text : board_.SlotName(slot) + ": " + text);
}

void MouseReporter::Warn(const std::string& warning) {
    if (monitor_) {
        monitor_->Warn(warning);
    } else {
        out_.Warn(warning);
    }
}

std::string MouseReporter::Tally() const {
    return "tally: " + std::to_string(updated_) + " updated, " + std::to_string(notUpdated_) +
           " not updated";
}

std::string MouseReporter::Numbered(const MouseTag& tag, int mouse) const {
    // By slot the board names the mouse; one mouse is named where its port is known.
    const bool named = shown_ == MiceShown::One && !tag.port.empty();
    return "mouse " + std::to_string(mouse) + (named ? " (" + tag.name + ")" : "");
}

// On the slot's worker, before the run's first write.
void MouseReporter::OnRunStarting(int slot, Slot& parts) {
    parts.tag = shown_ == MiceShown::One ? session_.TagOfOneMouse() : session_.TagOf(slot);
    if (shown_ == MiceShown::BySlot) board_.Name(slot, parts.tag.name);
    if (monitor_) monitor_->Named(slot, parts.tag);
    parts.startError.clear();
    parts.logId.clear();
    if (log_) parts.logId = log_->WriteStarted(parts.tag, command_, parts.startError).value_or("");
}

void MouseReporter::OnAttaching(int slot) {
    if (monitor_) monitor_->OnPlugged(slot);
    if (shown_ == MiceShown::BySlot) {
        Name(slot);
        SaySlot(slot, "plugged in: updating it in 1.5 seconds");
        return;
    }
    const std::string mouse = "mouse " + std::to_string(updated_ + notUpdated_ + 1);
    Say(mouse + " plugged in: updating it in 1.5 seconds");
    session_.TraceNote(mouse + " plugged in");
}

void MouseReporter::OnOutcome(const SlotOutcome& outcome) {
    if (outcome.action == DeviceEventAction::Detached) {
        if (monitor_) monitor_->OnUnplugged(outcome.slot);
        SaySlot(outcome.slot, shown_ == MiceShown::One ? "mouse unplugged; waiting for the next one"
                                                       : "mouse unplugged");
        return;
    }
    Slot& parts = Parts(outcome.slot);
    const int mouse = updated_ + notUpdated_ + 1;
    if (!outcome.failure.empty()) {
        parts.Recorder().NoteThrown(outcome.failure);
        SaySlot(outcome.slot, "error: " + outcome.failure);
    }
    last_ = MouseOutcome{
        outcome.status,  DescribeMouse(parts.tag), DescribeRun(outcome.status, parts.Recorder()),
        outcome.failure, parts.NoMouseReason(),    ""};
    // The library's last error belongs to one mouse only when there is one; a
    // mouse of a station has its slot's own.
    if (shown_ == MiceShown::One && outcome.status != UpdateStatus::Updated) {
        // As SayDriverError, said where this reporter says its lines.
        if (last_.driverError.empty()) {
            last_.driverError = session_.DriverErrorText();
            if (!last_.driverError.empty()) Say("driver library: " + last_.driverError);
        }
    } else if (const auto& failure = parts.Recorder().FirstFailure(); failure) {
        last_.driverError = failure->driverError;
    }
    const bool logged = Record(parts, outcome, mouse);
    // Counted once its record is written: a report that throws is made again.
    ++(outcome.status == UpdateStatus::Updated ? updated_ : notUpdated_);
    if (monitor_)
        monitor_->OnOutcome(outcome.slot, outcome.status == UpdateStatus::Updated,
                            parts.Recorder().FirstFailure(), parts.Recorder().DurationMs());
    if (announce_) Announce(outcome, parts, mouse);
    if (!logged && onLogFailed_) onLogFailed_();
}

bool MouseReporter::Record(Slot& parts, const SlotOutcome& outcome, int mouse) {
    if (!log_) return true;
    const auto record = StationLog::MouseOf(command_, mouse, parts.tag, parts.logId, outcome.status,
                                            parts.Recorder());
    if (log_->Write(record, last_.logError) && parts.startError.empty()) return true;
    if (last_.logError.empty()) last_.logError = parts.startError + "; its start";
    logFailed_ = true;
    if (announce_) {
        const std::string where = shown_ == MiceShown::One ? Numbered(parts.tag, mouse)
                                                           : "mouse " + std::to_string(mouse) +
                                                                 " (" + parts.tag.name + ")";
        Warn(last_.logError + "; " + where + " is not in the log: the station stops");
    }
    return false;
}

void MouseReporter::Announce(const SlotOutcome& outcome, const Slot& parts, int mouse) {
    const bool updated = outcome.status == UpdateStatus::Updated;
    std::string line = Numbered(parts.tag, mouse) + ": " + UpdateStatusText(outcome.status);
    if (!updated) line += std::string(" ") + HINT_NOT_UPDATED;
    if (shown_ == MiceShown::BySlot) board_.EndProgress(outcome.slot);
    SaySlot(outcome.slot, line);
    Say(Tally());
    if (shown_ == MiceShown::BySlot) session_.TraceNote(parts.tag.name + ": " + line);

    nlohmann::ordered_json report = {{"command", command_}};
    if (shown_ == MiceShown::BySlot) report["slot"] = outcome.slot;
    report["mouse"] = mouse;
    report.update(last_.mouse);
    report.update(last_.run);
    if (!last_.error.empty()) report["error"] = last_.error;
    if (!last_.driverError.empty()) report["driver_error"] = last_.driverError;
    if (!last_.logError.empty()) report["log_error"] = last_.logError;
    report["updated"] = updated_;
    report["not_updated"] = notUpdated_;
    out_.Emit(report);
}

}  // namespace talun::cli
