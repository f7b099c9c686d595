// Keeps an interrupt from cutting a write to the mouse short.
//
// While an InterruptHold lives, Ctrl-C and its kin (Ctrl-Break and closing the
// console on Windows; SIGINT and SIGTERM elsewhere) do not end the program: each
// is noted on standard error the moment it arrives, and the work in progress goes
// on to its end. What the program does about it afterwards is its own business:
// a single update simply finishes; watch stops before the next mouse.
//
// Make it before the driver library is loaded: on Linux the signals are blocked
// for every thread started afterwards, and taken by a thread of its own.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace talun::console {

class InterruptHold {
  public:
    // onInterrupt, if given, is called on the hold's own thread for every
    // interrupt (Linux). On Windows the console's handler tells the watch
    // window instead (WatchEvents), and onInterrupt is not used.
    explicit InterruptHold(std::function<void()> onInterrupt = {});
    ~InterruptHold();
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;

    // Why interrupts could not be held; empty when they are.
    const std::string& Problem() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace talun::console
