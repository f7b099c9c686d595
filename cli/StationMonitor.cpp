#include "cli/StationMonitor.h"

#include "cli/Commands.h"
#include "cli/StationBoard.h"
#include "monitor/BoardScreen.h"
#include "protocol/FirmwareChunk.h"

namespace talun::cli {

namespace {

// The station's name: the station file's, else this computer's.
std::string StationName(ToolSession& session) {
    const std::string& named = session.Station().station;
    return named.empty() ? HostName() : named;
}

// The image as the board's header shows it: its size and the start of its SHA-256.
std::string BoardImage(ToolSession& session) {
    std::string image = std::to_string(FIRMWARE_IMAGE_SIZE) + " bytes, SHA-256 " +
                        session.FirmwareSha256Hex().substr(0, monitor::BOARD_SHORT_SHA256);
    return session.Firmware().IsPlaceholder() ? image + " (placeholder)" : image;
}

// A mouse not updated: the first step that failed ("none" when it came after
// the last step, or no step is known).
std::string FailedStepName(const std::optional<RunRecorder::Failure>& failure) {
    return failure && failure->step ? UpdateStepName(*failure->step) : "none";
}

}  // namespace

StationMonitor::StationMonitor(Key, const Output& out) : out_(out) {}

StationMonitor::~StationMonitor() {
    CloseBoard();
}

std::unique_ptr<StationMonitor> StationMonitor::Open(const Wanted& wanted, ToolSession& session,
                                                     const Output& out, int& exitCode) {
    auto opened = std::make_unique<StationMonitor>(Key{}, out);
    StationMonitor* self = opened.get();
    if (!wanted.metricsPath.empty()) {
        std::string error;
        self->metrics_ = monitor::MetricsFile::Open(
            wanted.metricsPath,
            {PROGRAM_VERSION, session.FirmwareSha256Hex(), StationName(session)},
            [self](const std::string& warning) { self->Warn(warning); }, error);
        if (!self->metrics_) {
            exitCode = out.Fail("watch", "bad-usage", EXIT_USAGE, error);
            return nullptr;
        }
    }
    if (!wanted.board) return opened;
    if (!out.HumanIsTerminal() || !EnableCursorControls(out.Human())) {
        out.Warn(std::string("--board: ") + (out.Json() ? "standard error" : "standard output") +
                 " is not a terminal; showing the plain lines");
        return opened;
    }
    self->board_ = std::make_unique<monitor::TerminalBoard>(
        out.Human(), session.SystemTime(), StationName(session), BoardImage(session));
    return opened;
}

void StationMonitor::CloseBoard() {
    if (!board_) return;
    board_.reset();
    std::lock_guard<std::mutex> lock(warningsMutex_);
    for (const std::string& warning : warnings_) out_.Warn(warning);
    warnings_.clear();
}

void StationMonitor::Note(const std::string& line) {
    OnBoard([&](monitor::BoardState& state) { state.Note(line); });
}

void StationMonitor::Warn(const std::string& warning) {
    if (!board_) {
        out_.Warn(warning);
        return;
    }
    Note("warning: " + warning);
    std::lock_guard<std::mutex> lock(warningsMutex_);
    warnings_.push_back(warning);
}

void StationMonitor::Named(int slot, const MouseTag& tag) {
    OnBoard([&](monitor::BoardState& state) { state.Name(slot, tag.name, tag.serial); });
}

void StationMonitor::OnPlugged(int slot) {
    OnBoard([&](monitor::BoardState& state) { state.OnPlugged(slot); });
}

void StationMonitor::OnUpdating(int slot) {
    if (metrics_) metrics_->OnUpdateStarted(slot);
    OnBoard([&](monitor::BoardState& state) { state.OnUpdating(slot, UPDATE_STEP_COUNT); });
}

void StationMonitor::OnStepStarted(int slot, UpdateStep step) {
    OnBoard([&](monitor::BoardState& state) { state.OnStepStarted(slot, UpdateStepName(step)); });
}

void StationMonitor::OnStepFinished(int slot) {
    OnBoard([&](monitor::BoardState& state) { state.OnStepFinished(slot); });
}

void StationMonitor::OnOutcome(int slot, bool updated,
                               const std::optional<RunRecorder::Failure>& failure,
                               uint64_t durationMs) {
    const std::string step = updated ? "" : FailedStepName(failure);
    if (metrics_) {
        const std::string how = updated ? "" : failure ? failure->how : "unknown";
        metrics_->OnUpdateFinished(slot, updated, step, how, durationMs);
    }
    OnBoard([&](monitor::BoardState& state) { state.OnOutcome(slot, updated, step); });
}

void StationMonitor::OnUnplugged(int slot) {
    OnBoard([&](monitor::BoardState& state) { state.OnUnplugged(slot); });
}

void MonitoredRun::OnStatusChanged(UpdateStatus status) {
    if (status == UpdateStatus::Updating) monitor_.OnUpdating(slot_);
    ForwardingObserver::OnStatusChanged(status);
}

void MonitoredRun::OnStepStarted(UpdateStep step) {
    monitor_.OnStepStarted(slot_, step);
    ForwardingObserver::OnStepStarted(step);
}

void MonitoredRun::OnStepFinished(UpdateStep step, StepOutcome outcome) {
    monitor_.OnStepFinished(slot_);
    ForwardingObserver::OnStepFinished(step, outcome);
}

}  // namespace talun::cli
