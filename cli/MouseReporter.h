// What talun-r5 says of every mouse it updates, in one place. Each event of a
// mouse's run passes here (status, step started and finished, outcome) and goes
// on to its sinks: the display (the progress of one mouse, or the board of a
// station), the production log, the line and JSON object of the mouse, and the
// tally. The reporter makes each slot's parts for a Station and takes its
// outcomes; one outcome at a time.
#pragma once

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/Output.h"
#include "cli/ProgressReporter.h"
#include "cli/StationBoard.h"
#include "cli/StationMonitor.h"
#include "cli/ToolSession.h"
#include "production/StationLog.h"
#include "update/Station.h"

namespace talun::cli {

// How the mice are shown: as one mouse (the library's six entry points, its
// runs numbered), or each by its slot (a library that tells mice apart).
enum class MiceShown { One, BySlot };

// What became of the last mouse reported.
struct MouseOutcome {
    UpdateStatus status = UpdateStatus::NotUpdated;
    nlohmann::ordered_json mouse;  // DescribeMouse of it
    nlohmann::ordered_json run;    // DescribeRun of it
    std::string error;             // what its run threw
    std::string driverError;       // one mouse: the library's reason, when it said one
    std::string logError;          // its record was not written
};

class MouseReporter {
  public:
    // announce: each outcome gets its line, tally and JSON object at once; else
    // only the record, and the command says the outcome (Last()).
    MouseReporter(ToolSession& session, const Output& out, std::string command,
                  std::optional<StationLog>& log, MiceShown shown, bool announce);
    ~MouseReporter();

    // For the station that updates these mice.
    StationSetup Setup();
    // Called, on a worker, when a mouse could not be written to the log.
    void OnLogFailed(std::function<void()> stop) { onLogFailed_ = std::move(stop); }
    // Every mouse's events go to monitor too (the board, the figures), from
    // before the station is made until the reporter goes.
    void Monitor(StationMonitor* monitor) { monitor_ = monitor; }

    // The mouse in slot is named on the board from now on, by who it is.
    void Name(int slot);
    // A line for good: the board's, or the output's for one mouse.
    void Say(const std::string& line);
    // "slot N: text" by slot; text alone for one mouse.
    void SaySlot(int slot, const std::string& text);

    int Updated() const { return updated_; }
    int NotUpdated() const { return notUpdated_; }
    bool LogFailed() const { return logFailed_; }
    std::string Tally() const;
    const MouseOutcome& Last() const { return last_; }

  private:
    class Slot;
    std::unique_ptr<SlotSetup> MakeSlot(int slot);
    Slot& Parts(int slot);
    void OnRunStarting(int slot, Slot& parts);
    void OnAttaching(int slot);
    void OnOutcome(const SlotOutcome& outcome);
    bool Record(Slot& parts, const SlotOutcome& outcome, int mouse);
    void Announce(const SlotOutcome& outcome, const Slot& parts, int mouse);
    // "mouse N", with the mouse's name where it says more than the mouse's number.
    std::string Numbered(const MouseTag& tag, int mouse) const;
    // The board shown by the monitor has the screen.
    bool BoardHasScreen() const { return monitor_ != nullptr && monitor_->BoardShown(); }
    void Warn(const std::string& warning);

    ToolSession& session_;
    const Output& out_;
    std::string command_;
    std::optional<StationLog>& log_;
    MiceShown shown_;
    bool announce_;
    std::function<void()> onLogFailed_;
    StationMonitor* monitor_ = nullptr;
    ProgressReporter progress_;  // one mouse
    StationBoard board_;         // by slot
    std::mutex slotsMutex_;
    std::map<int, Slot*> slots_;
    // Touched by one outcome at a time.
    int updated_ = 0;
    int notUpdated_ = 0;
    bool logFailed_ = false;
    MouseOutcome last_;
};

// An update run's outcome, its final status text and its steps, as JSON members.
nlohmann::ordered_json DescribeRun(UpdateStatus status, const RunRecorder& recorder);
// Who the mouse is, as JSON members: name, label, port, serial (null when not
// known).
nlohmann::ordered_json DescribeMouse(const MouseTag& tag);

}  // namespace talun::cli
