// The device monitor of the sim driver library: a thread that plays the
// scenario's plug and unplug times, acts on the lines appended to the control
// file, and tells the window whenever the mouse appears or disappears.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device/HidDriverApi.h"
#include "driver/sim/Scenario.h"
#include "driver/sim/SimFiles.h"
#include "driver/sim/SimSession.h"
#include "platform/Clock.h"

namespace talun::sim {

class SimMonitor {
  public:
    SimMonitor(SimSession& session, const Clock& clock, const Scenario& scenario);
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
    };

    void Stop();
    void Loop();
    std::chrono::steady_clock::time_point NextWake() const;
    void Tick();
    void Act(const std::string& line);
    void SetPresence(bool present);
    void ReportPresence();
    void Post(unsigned message, uintptr_t wParam, intptr_t lParam);

    SimSession& session_;
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
    bool reportedPresent_ = false;
    bool scheduleStarted_ = false;
    uint64_t scheduleOriginMs_ = 0;
    std::vector<TimedEvent> schedule_;
    std::size_t nextEvent_ = 0;
    std::optional<ControlFileReader> control_;
};

}  // namespace talun::sim
