// Shows an update run as it happens: on a terminal one line with the current
// step and a bar, redrawn in place, and a line per finished step; otherwise only
// the plain line per finished step.
#pragma once

#include <cstdio>
#include <string>

#include "update/ToolState.h"

namespace talun::cli {

class ProgressReporter final : public UpdateObserver {
  public:
    ProgressReporter(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

    void OnStatusChanged(UpdateStatus status) override;
    void OnStepStarted(UpdateStep step) override;
    void OnStepFinished(UpdateStep step, StepOutcome outcome) override;

    // The text of the bar for done of total steps, e.g. "[######..............]".
    static std::string Bar(int done, int total, int width);

  private:
    void EndBarLine();

    std::FILE* out_;
    bool terminal_;
    int finished_ = 0;
    std::size_t barLength_ = 0;  // characters of the bar line on the screen
};

}  // namespace talun::cli
