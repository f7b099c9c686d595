// What the watch loop waits for: the device monitor's messages and a request to
// stop (Ctrl-C or, on Linux, SIGINT / SIGTERM).
//
// On Windows the monitor posts its messages to a window: a message-only window
// of the thread that made this object, whose messages Next() pumps. Elsewhere
// the monitor calls an event sink from its own thread, and Next() takes the
// messages from a queue. Either way the messages are handled on the thread that
// calls Next(), one at a time, in the order they came.
//
// A stop request never cuts anything short: Next() returns it when asked for the
// next event, so whatever the caller is doing (an update run) finishes first. It
// goes before device messages that are still waiting: no further mouse is taken.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "driver/api/HidDriverApi.h"

namespace talun::console {

struct WatchEvent {
    enum class Kind { DeviceMessage, Stop };
    Kind kind = Kind::Stop;
    unsigned message = 0;  // WM_HID_PLUG_EVENT or WM_HID_INPUT_EVENT
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class WatchEvents {
  public:
    // Holds interrupts (see InterruptHold): make it before the driver library
    // is loaded.
    WatchEvents();
    ~WatchEvents();
    WatchEvents(const WatchEvents&) = delete;
    WatchEvents& operator=(const WatchEvents&) = delete;

    // Why the events cannot be received; empty when all is well.
    const std::string& Problem() const;
    // What to hand to Open_DevMonitor.
    HidWindow Window() const;
    // Blocks until the next event.
    WatchEvent Next();
    // Asks for a stop, as an interrupt does; from any thread.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace talun::console
