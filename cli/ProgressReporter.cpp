#include "cli/ProgressReporter.h"

namespace talun::cli {

namespace {
inline constexpr int BAR_WIDTH = 28;
}

std::string ProgressReporter::Bar(int done, int total, int width) {
    const int filled = total > 0 ? done * width / total : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]";
}

void ProgressReporter::EndBarLine() {
    // Blanks over the bar rather than an escape sequence, which not every
    // Windows console understands.
    if (terminal_ && barLength_ > 0) {
        std::fprintf(out_, "\r%s\r", std::string(barLength_, ' ').c_str());
        barLength_ = 0;
    }
}

void ProgressReporter::OnStatusChanged(UpdateStatus status) {
    if (status == UpdateStatus::Updating) {
        finished_ = 0;
        std::fprintf(out_, "%s\n", UpdateStatusText(status));
    }
    std::fflush(out_);
}

void ProgressReporter::OnStepStarted(UpdateStep step) {
    if (!terminal_) return;
    EndBarLine();
    const std::string line =
        Bar(finished_, UPDATE_STEP_COUNT, BAR_WIDTH) + " " + std::to_string(finished_ + 1) + "/" +
        std::to_string(UPDATE_STEP_COUNT) + " " + UpdateStepName(step) + " ...";
    std::fputs(line.c_str(), out_);
    barLength_ = line.size();
    std::fflush(out_);
}

void ProgressReporter::OnStepFinished(UpdateStep step, StepOutcome outcome) {
    ++finished_;
    EndBarLine();
    std::fprintf(out_, "  %-22s %s\n", UpdateStepName(step), StepOutcomeName(outcome));
    std::fflush(out_);
}

}  // namespace talun::cli
