// The device monitor of the sim driver library: a thread that plays the
// scenario's plug and unplug times, acts on the lines appended to the control
// file, and tells the window whenever a mouse appears or disappears: the plug
// message with wParam 1 or 0 and lParam the mouse's slot.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "driver/api/HidDriverApi.h"
#include "driver/sim/Scenario.h"
#include "driver/sim/SimFiles.h"
#include "driver/sim/SimSession.h"
#include "platform/Clock.h"

namespace talun::sim {

class SimMonitor {
  public:
    // sessions: the mice, slot by slot; scenarios: theirs (the control file and
    // poll interval are slot 0's).
    SimMonitor(const std::vector<SimSession*>& sessions, const Clock& clock,
               const std::vector<Scenario>& scenarios);
    ~SimMonitor();
    SimMonitor(const SimMonitor&) = delete;
    SimMonitor& operator=(const SimMonitor&) = delete;

    // Starts the thread (after stopping one that runs). A mouse present now is
    // not announced. The scenario's times count from the first Open.
    void Open(HidWindow window, unsigned inputMessage, unsigned plugMessage);
    // Wakes the thread and waits for it; harmless when none runs.
    void Close();

  private:
    struct TimedEvent {
        uint64_t atMs;
        bool plug;
        int slot;
    };

    void Stop();
    void Loop();
    std::chrono::steady_clock::time_point NextWake() const;
    void Tick();
    void Act(const std::string& line);
    void SetPresence(int slot, bool present);
    void ReportPresence();
    // The session of a control line's slot; nullptr (and a complaint) for none.
    SimSession* SessionOf(const std::string& line, int slot);
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam);

    const std::vector<SimSession*> sessions_;
    const Clock& clock_;
    const int pollMs_;
    // Open and close are serialised by calls_; the thread's own state (window,
    // schedule, control file) changes only while it is stopped.
    std::mutex calls_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = true;
    std::thread thread_;
    HidWindow window_ = nullptr;
    unsigned inputMessage_ = 0;
    unsigned plugMessage_ = 0;
    std::vector<bool> reportedPresent_;  // per slot
    bool scheduleStarted_ = false;
    uint64_t scheduleOriginMs_ = 0;
    std::vector<TimedEvent> schedule_;
    std::size_t nextEvent_ = 0;
    std::optional<ControlFileReader> control_;
};

}  // namespace talun::sim
