// What a station of several mice shows while it works, for every slot at once.
// On a terminal: one progress line per mouse being updated (step and bar),
// redrawn in place below the lines that have been said. Otherwise: one plain
// line per step, prefixed with the mouse's name (its label, port or slot). Every call may come from
// any thread; lines never mix.
#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "cli/ProgressReporter.h"
#include "update/ToolState.h"

namespace talun::cli {

class StationBoard {
  public:
    // terminal: out is a terminal that takes the cursor controls.
    StationBoard(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    // A line for good, above the progress lines.
    void Say(const std::string& line);
    // "<name>: " + text.
    void SaySlot(int slot, const std::string& text) { Say(SlotName(slot) + ": " + text); }
    // What the mouse in slot is called from now on (cli/StationFile.h, MouseName).
    void Name(int slot, const std::string& name);

    void OnStatusChanged(int slot, UpdateStatus status);
    void OnStepStarted(int slot, UpdateStep step);
    void OnStepFinished(int slot, UpdateStep step, StepOutcome outcome);
    // The slot's run is over: its progress line goes.
    void EndProgress(int slot);

    // The name of the slot's mouse; "slot N" until it is named.
    std::string SlotName(int slot);

  private:
    std::string NameLocked(int slot) const;
    void ClearProgressLocked();
    void DrawProgressLocked();

    std::FILE* out_;
    bool terminal_;
    std::mutex mutex_;
    std::map<int, std::string> progress_;  // slot -> its progress line
    std::map<int, int> finished_;          // slot -> steps finished in its run
    std::map<int, std::string> names_;     // slot -> its mouse's name
    std::size_t drawnLines_ = 0;           // progress lines on the screen now
};

// One slot's run as the core reports it, to the board. Called on the slot's
// worker only.
class SlotProgress final : public UpdateObserver {
  public:
    SlotProgress(StationBoard& board, int slot) : board_(board), slot_(slot) {}

    void OnStatusChanged(UpdateStatus status) override { board_.OnStatusChanged(slot_, status); }
    void OnStepStarted(UpdateStep step) override { board_.OnStepStarted(slot_, step); }
    void OnStepFinished(UpdateStep step, StepOutcome outcome) override {
        board_.OnStepFinished(slot_, step, outcome);
    }

  private:
    StationBoard& board_;
    int slot_;
};

// Turns on the cursor controls of a Windows console (nothing to do elsewhere);
// false when the terminal does not take them.
bool EnableCursorControls(std::FILE* stream);

}  // namespace talun::cli
