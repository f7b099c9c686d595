// The scenario of the sim driver library (sim-scenario.ini): what the mouse does
// from the start, and the faults a control line may change while it runs. Plain
// parsing, no I/O: see driver/sim/README.md for the keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/sim/SimMouse.h"

namespace talun::sim {

// Slots of the simulated mice: 0 to SIM_MAX_SLOT.
inline constexpr int SIM_MAX_SLOT = 63;

struct Scenario {
    bool presentAtStart = true;
    // Times in ms after the monitor opened at which the mouse is plugged / unplugged.
    std::vector<uint64_t> plugAtMs;
    std::vector<uint64_t> unplugAtMs;
    FaultPlan faults;
    // Paths, already resolved against the scenario file's directory; empty: none.
    std::string traceFile;
    std::string controlFile;
    std::string stateFile;
    std::string firmwareFile;
    int pollMs = 20;
    // What Get_FeatureDeviceSlotIdentity gives for this mouse: its port (a place
    // such as "1-1.4") and USB serial; empty: none.
    std::string port;
    std::string serial;
    // "line N: what is wrong", one per line that was skipped.
    std::vector<std::string> errors;
};

// A scenario of several mice (key "mice"): one Scenario per slot, 0 first. The
// keys before any [slot N] section apply to every mouse, a section's to that
// slot's mouse; "{slot}" in a trace or state file's name, a port or a serial
// stands for the slot.
// The monitor's keys (control_file, poll_ms) are slot 0's. Errors as below.
struct MiceScenario {
    std::vector<Scenario> mice;
    std::vector<std::string> errors;
};
MiceScenario ParseMiceScenario(const std::string& text, const std::string& baseDir);

// Parses the text of a scenario file. Lines that cannot be understood are skipped
// and listed in errors; the rest still applies. Relative paths are taken relative
// to baseDir.
Scenario ParseScenario(const std::string& text, const std::string& baseDir);

// Applies one key of the scenario. List keys add to what is there. Returns an
// error message, or an empty string when the key was applied.
std::string ApplyScenarioKey(Scenario& scenario, const std::string& key, const std::string& value,
                             const std::string& baseDir);

// Applies a fault key to a running mouse (control line "set key=value"): the
// fault's list is replaced, and counts start from now (write occurrences, read
// numbers and the unplug after n writes count from the moment the line is acted
// on). Returns an error message or an empty string.
std::string ApplyLiveFault(SimMouse& mouse, const std::string& key, const std::string& value);

}  // namespace talun::sim
