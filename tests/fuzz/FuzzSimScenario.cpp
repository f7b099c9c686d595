// Any text as the sim's scenario file, and the same text as control lines acted
// on by a running mouse between transfers: nothing misbehaves, every skipped
// scenario line and every invalid control line says why, and a fault set while
// running counts from that moment.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "driver/sim/ControlLine.h"
#include "driver/sim/Scenario.h"
#include "driver/sim/SimMouse.h"
#include "tests/support/FakeClock.h"

namespace {

// One write and one status read, as the tool makes them.
void Transfer(talun::sim::SimMouse& mouse) {
    uint8_t report[3] = {0x05, 0x03, 0x00};
    mouse.SetFeature(report, 3);
    uint8_t status[3] = {0x04, 0, 0};
    mouse.GetFeature(status, 3);
}

void ActOn(talun::sim::SimMouse& mouse, const talun::sim::ControlCommand& c) {
    using talun::sim::ControlCommand;
    if (c.kind == ControlCommand::Invalid && c.error.empty()) std::abort();
    if (c.kind == ControlCommand::Plug || c.kind == ControlCommand::Unplug) {
        mouse.SetPresent(c.kind == ControlCommand::Plug);
        mouse.OpenFeatureDevice();
    }
    if (c.kind != ControlCommand::SetFault) return;
    const int readsBefore = mouse.GetCalls();
    const std::string error = talun::sim::ApplyLiveFault(mouse, c.key, c.value);
    if (!error.empty()) return;
    // What the mouse took while running, the scenario file takes too.
    if (!talun::sim::ParseScenario(c.key + "=" + c.value, {}).errors.empty()) std::abort();
    if (c.key != "fail_read") return;
    for (int n : mouse.Faults().failedReads) {
        if (n <= readsBefore) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto scenario = talun::sim::ParseScenario(text, "/opt/talun");
    for (const std::string& error : scenario.errors) {
        if (error.rfind("line ", 0) != 0) std::abort();
    }
    if (scenario.pollMs < 1 || scenario.pollMs > 1000) std::abort();

    talun::testing::FakeClock clock;
    talun::sim::SimMouse mouse(clock, scenario.faults);
    mouse.SetPresent(scenario.presentAtStart);
    mouse.OpenFeatureDevice();
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        ActOn(mouse, talun::sim::ParseControlLine(line));
        Transfer(mouse);
        clock.Sleep(20);
    }
    return 0;
}
