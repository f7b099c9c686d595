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
    if (terminal_ && barShown_) {
        std::fputs("\r\033[K", out_);
        barShown_ = false;
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
    std::fprintf(out_, "\r\033[K%s %d/%d %s ...",
                 Bar(finished_, UPDATE_STEP_COUNT, BAR_WIDTH).c_str(), finished_ + 1,
                 UPDATE_STEP_COUNT, UpdateStepName(step));
    barShown_ = true;
    std::fflush(out_);
}

void ProgressReporter::OnStepFinished(UpdateStep step, StepOutcome outcome) {
    ++finished_;
    EndBarLine();
    std::fprintf(out_, "  %-22s %s\n", UpdateStepName(step), StepOutcomeName(outcome));
    std::fflush(out_);
}

}  // namespace talun::cli
