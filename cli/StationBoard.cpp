#include "cli/StationBoard.h"

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#endif

namespace talun::cli {

namespace {
inline constexpr int BAR_WIDTH = 20;
// Cursor controls: up one line, and clear the line.
inline constexpr char CURSOR_UP[] = "\x1b[1A";
inline constexpr char CLEAR_LINE[] = "\x1b[2K\r";
}  // namespace

bool EnableCursorControls(std::FILE* stream) {
#ifdef _WIN32
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return false;
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
    (void)stream;
    return true;
#endif
}

void StationBoard::ClearProgressLocked() {
    for (; drawnLines_ > 0; --drawnLines_) {
        std::fputs(CURSOR_UP, out_);
        std::fputs(CLEAR_LINE, out_);
    }
}

void StationBoard::DrawProgressLocked() {
    for (const auto& [slot, line] : progress_) std::fprintf(out_, "%s\n", line.c_str());
    drawnLines_ = progress_.size();
    std::fflush(out_);
}

void StationBoard::Say(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (terminal_) ClearProgressLocked();
    std::fprintf(out_, "%s\n", line.c_str());
    if (terminal_) DrawProgressLocked();
    std::fflush(out_);
}

void StationBoard::Name(int slot, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    names_[slot] = name;
}

std::string StationBoard::SlotName(int slot) {
    std::lock_guard<std::mutex> lock(mutex_);
    return NameLocked(slot);
}

std::string StationBoard::NameLocked(int slot) const {
    const auto name = names_.find(slot);
    return name != names_.end() ? name->second : "slot " + std::to_string(slot);
}

void StationBoard::OnStatusChanged(int slot, UpdateStatus status) {
    if (status != UpdateStatus::Updating) return;
    std::lock_guard<std::mutex> lock(mutex_);
    finished_[slot] = 0;
    if (!terminal_) {
        std::fprintf(out_, "%s: %s\n", NameLocked(slot).c_str(), UpdateStatusText(status));
        std::fflush(out_);
        return;
    }
    ClearProgressLocked();
    progress_[slot] = NameLocked(slot) + " " +
                      ProgressReporter::Bar(0, UPDATE_STEP_COUNT, BAR_WIDTH) + " " +
                      UpdateStatusText(status);
    DrawProgressLocked();
}

void StationBoard::OnStepStarted(int slot, UpdateStep step) {
    if (!terminal_) return;
    std::lock_guard<std::mutex> lock(mutex_);
    const int done = finished_[slot];
    ClearProgressLocked();
    progress_[slot] = NameLocked(slot) + " " +
                      ProgressReporter::Bar(done, UPDATE_STEP_COUNT, BAR_WIDTH) + " " +
                      std::to_string(done + 1) + "/" + std::to_string(UPDATE_STEP_COUNT) + " " +
                      UpdateStepName(step) + " ...";
    DrawProgressLocked();
}

void StationBoard::OnStepFinished(int slot, UpdateStep step, StepOutcome outcome) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++finished_[slot];
    if (terminal_) return;  // the progress line shows it
    std::fprintf(out_, "%s:   %-22s %s\n", NameLocked(slot).c_str(), UpdateStepName(step),
                 StepOutcomeName(outcome));
    std::fflush(out_);
}

void StationBoard::EndProgress(int slot) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!terminal_ || progress_.count(slot) == 0) return;
    ClearProgressLocked();
    progress_.erase(slot);
    DrawProgressLocked();
}

}  // namespace talun::cli
