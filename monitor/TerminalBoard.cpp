#include "monitor/TerminalBoard.h"

#ifdef _WIN32
#include <windows.h>

#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <chrono>

namespace talun::monitor {

namespace {
// How often the terminal's size is looked at: a resize shows within this.
inline constexpr std::chrono::milliseconds SIZE_POLL_INTERVAL{200};
}  // namespace

bool QueryTerminalSize(std::FILE* stream, TerminalSize& size) {
#ifdef _WIN32
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(console, &info))
        return false;
    size.columns = info.srWindow.Right - info.srWindow.Left + 1;
    size.rows = info.srWindow.Bottom - info.srWindow.Top + 1;
#else
    winsize window{};
    if (ioctl(fileno(stream), TIOCGWINSZ, &window) != 0 || window.ws_col == 0) return false;
    size.columns = window.ws_col;
    size.rows = window.ws_row;
#endif
    return true;
}

TerminalBoard::TerminalBoard(std::FILE* out, const Clock& clock, const std::string& station,
                             const std::string& image)
    : out_(out), clock_(clock), state_(station, image, clock.NowMs()) {
    QueryTerminalSize(out_, size_);
    std::fputs(BOARD_ENTER, out_);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        DrawLocked();
    }
    sizeWatcher_ = std::thread([this] { WatchSize(); });
}

TerminalBoard::~TerminalBoard() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stopSignal_.notify_all();
    sizeWatcher_.join();
    std::fputs(BOARD_LEAVE, out_);
    std::fflush(out_);
}

void TerminalBoard::DrawLocked() {
    std::fputs(RenderBoard(state_.Snapshot(clock_.NowMs()), size_).c_str(), out_);
    std::fflush(out_);
}

void TerminalBoard::WatchSize() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopSignal_.wait_for(lock, SIZE_POLL_INTERVAL, [this] { return stopping_; })) {
        TerminalSize now = size_;
        if (!QueryTerminalSize(out_, now)) continue;
        if (now.columns == size_.columns && now.rows == size_.rows) continue;
        size_ = now;
        DrawLocked();
    }
}

}  // namespace talun::monitor
