// watch --board on a terminal: the station board (BoardState, drawn by
// RenderBoard) on the terminal's alternate screen, redrawn on every change and
// when the terminal's size changes, and the screen as it was once the board
// goes. Every call may come from any slot's worker.
#pragma once

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "monitor/BoardScreen.h"
#include "monitor/BoardState.h"
#include "platform/Clock.h"

namespace talun::monitor {

// The size of the terminal stream writes to; nothing when it is not a terminal.
bool QueryTerminalSize(std::FILE* stream, TerminalSize& size);

class TerminalBoard {
  public:
    // out must be a terminal that takes virtual-terminal sequences.
    TerminalBoard(std::FILE* out, const Clock& clock, const std::string& station,
                  const std::string& image);
    ~TerminalBoard();
    TerminalBoard(const TerminalBoard&) = delete;
    TerminalBoard& operator=(const TerminalBoard&) = delete;

    // Changes the board's state under its lock, then redraws it.
    template <typename Change>
    void Update(Change change) {
        std::lock_guard<std::mutex> lock(mutex_);
        change(state_);
        DrawLocked();
    }

  private:
    void DrawLocked();
    void WatchSize();

    std::FILE* out_;
    const Clock& clock_;
    std::mutex mutex_;
    BoardState state_;
    TerminalSize size_;
    std::condition_variable stopSignal_;
    bool stopping_ = false;
    std::thread sizeWatcher_;  // last: started when everything else is there
};

}  // namespace talun::monitor
