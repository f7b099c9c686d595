// watch --board and --metrics FILE: what MouseReporter tells of every mouse,
// given on to the full-screen board (monitor/TerminalBoard.h) and to the
// station's figures file (monitor/MetricsFile.h). While the board is shown it
// alone has the screen: the lines said and the warnings go into it, and the
// warnings are said again once the screen is back. Every call may come from any
// slot's worker.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/Output.h"
#include "cli/ToolSession.h"
#include "monitor/MetricsFile.h"
#include "monitor/TerminalBoard.h"
#include "production/StationFile.h"
#include "production/StationLog.h"
#include "update/ToolState.h"

namespace talun::cli {

class StationMonitor {
  public:
    // What watch was asked for: the board, the figures in a file (empty: none).
    struct Wanted {
        bool board = false;
        std::string metricsPath;
    };
    // The board (when the output is a terminal that takes it: else a warning,
    // and the plain lines) and the figures file. Nothing, with the exit status
    // set, when the file cannot be written.
    static std::unique_ptr<StationMonitor> Open(const Wanted& wanted, ToolSession& session,
                                                const Output& out, int& exitCode);
    ~StationMonitor();
    StationMonitor(const StationMonitor&) = delete;
    StationMonitor& operator=(const StationMonitor&) = delete;

    bool BoardShown() const { return board_ != nullptr; }
    // The screen as it was before the board, and the warnings said on it.
    void CloseBoard();

    // A line said by the station, on the board.
    void Note(const std::string& line);
    // On the board now and on standard error once it goes; else at once.
    void Warn(const std::string& warning);

    // Who the mouse in slot is (its tile's label and serial).
    void Named(int slot, const MouseTag& tag);
    void OnPlugged(int slot);
    void OnUpdating(int slot);
    void OnStepStarted(int slot, UpdateStep step);
    void OnStepFinished(int slot);
    void OnOutcome(int slot, bool updated, const std::optional<RunRecorder::Failure>& failure,
                   uint64_t durationMs);
    void OnUnplugged(int slot);

  private:
    struct Key {};  // only Open makes one

  public:
    StationMonitor(Key, const Output& out);

  private:
    template <typename Change>
    void OnBoard(Change change) {
        if (board_) board_->Update(change);
    }

    const Output& out_;
    std::unique_ptr<monitor::MetricsFile> metrics_;
    std::unique_ptr<monitor::TerminalBoard> board_;
    std::mutex warningsMutex_;
    std::vector<std::string> warnings_;  // said on the board, to be said again after it
};

// One slot's run as the core reports it: passed on to the front end's display
// and to the monitor. Called on the slot's worker only.
class MonitoredRun final : public ForwardingObserver {
  public:
    MonitoredRun(StationMonitor& monitor, int slot, UpdateObserver& display)
        : ForwardingObserver(display), monitor_(monitor), slot_(slot) {}

    void OnStatusChanged(UpdateStatus status) override;
    void OnStepStarted(UpdateStep step) override;
    void OnStepFinished(UpdateStep step, StepOutcome outcome) override;

  private:
    StationMonitor& monitor_;
    int slot_;
};

}  // namespace talun::cli
