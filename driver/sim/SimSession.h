// The simulated mouse of the sim driver library, with everything its calls
// touch: the lock, the trace file, the state file and the scenario's complaints.
// Safe to call from any thread.
#pragma once

#include <cstdint>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver/sim/Scenario.h"
#include "driver/sim/SimMouse.h"
#include "platform/Clock.h"

namespace talun::sim {

class SimSession {
  public:
    // complaints: what went wrong before the session existed (reading the scenario).
    SimSession(const Clock& clock, const Scenario& scenario,
               const std::vector<std::string>& complaints);
    SimSession(const SimSession&) = delete;
    SimSession& operator=(const SimSession&) = delete;

    int OpenFeature();
    void CloseFeature();
    int Set(unsigned char* report, int length);
    int Get(unsigned char* buffer, int length);

    bool IsPresent();
    void SetPresent(bool present);
    // A control line's "set key=value"; a bad one is complained about.
    void SetFault(const std::string& line, const std::string& key, const std::string& value);
    // Said on stderr and kept in the state file.
    void Complain(const std::string& message);

  private:
    void ComplainLocked(const std::string& message);
    void WriteStateLocked();

    std::mutex mutex_;
    const std::string stateFile_;
    SimMouse mouse_;
    std::ofstream trace_;
    std::optional<std::vector<uint8_t>> expectedBlock_;
    std::vector<std::string> errors_;
    uint64_t stateSequence_ = 0;
    bool stateFileFailed_ = false;
};

}  // namespace talun::sim
