// The simulated mouse as a driver library (libhiddriver.so / hiddriver.dll): the
// sim's backend of the driver front.
//
// One mouse per process, set up on the first call from the scenario file beside
// the library (or the file named by TALUN_SIM_SCENARIO). The feature-report calls
// go straight to the session; the monitor is SimMonitor's thread.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "device/HidDriverApi.h"
#include "driver/front/HidDriver.h"
#include "driver/sim/Scenario.h"
#include "driver/sim/SimFiles.h"
#include "driver/sim/SimMonitor.h"
#include "driver/sim/SimSession.h"
#include "platform/LibraryDirectory.h"
#include "platform/SystemClock.h"

namespace talun::sim {
namespace {

constexpr const char* kScenarioFileName = "sim-scenario.ini";
constexpr const char* kScenarioVariable = "TALUN_SIM_SCENARIO";
constexpr const char* kDeviceListing = "sim:talun-r5 Talun R5 (simulated mouse)\n";

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

// The scenario file's settings, and what went wrong reading it (also said on stderr).
struct LoadedScenario {
    Scenario scenario;
    std::vector<std::string> complaints;
};

LoadedScenario LoadScenario() {
    LoadedScenario loaded;
    const char* named = std::getenv(kScenarioVariable);
    const bool isNamed = named != nullptr && named[0] != '\0';
    const std::string path = isNamed ? std::string(named) : LibraryDirectory() + kScenarioFileName;
    if (const auto text = ReadWholeFile(path)) {
        loaded.scenario = ParseScenario(*text, DirectoryOf(path));
        for (const auto& e : loaded.scenario.errors) loaded.complaints.push_back(path + ": " + e);
    } else if (isNamed) {
        // No scenario beside the library: the mouse is there and answers Done.
        // A scenario that was asked for by name and is missing means no mouse,
        // so that a mistyped path cannot pass for a working mouse.
        loaded.scenario.faults.absent = true;
        loaded.complaints.push_back("scenario " + path + " cannot be read; no mouse");
    }
    for (const auto& c : loaded.complaints)
        std::fprintf(stderr, "hiddriver (simulated mouse): %s\n", c.c_str());
    return loaded;
}

class SimDriver final : public hiddriver::HidDriver {
  public:
    explicit SimDriver(const LoadedScenario& loaded = LoadScenario())
        : session_(clock_, loaded.scenario, loaded.complaints),
          monitor_(session_, clock_, loaded.scenario) {}

    void OpenMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) override {
        monitor_.Open(window, inputMessage, plugMessage);
    }
    void CloseMonitor() override { monitor_.Close(); }
    int OpenFeatureDevice() override { return session_.OpenFeature(); }
    void CloseFeatureDevice() override { session_.CloseFeature(); }
    int SetFeature(unsigned char* report, int length) override {
        return session_.Set(report, length);
    }
    int GetFeature(unsigned char* report, int length) override {
        return session_.Get(report, length);
    }

    int ListDevices(char* text, int capacity) override {
        if (text == nullptr || capacity < 1) return -1;
        const bool present = session_.IsPresent();
        const std::string listing = present ? kDeviceListing : "";
        const std::size_t n = std::min(listing.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(text, listing.data(), n);
        text[n] = '\0';
        return present ? 1 : 0;
    }

  private:
    SystemClock clock_;
    SimSession session_;
    SimMonitor monitor_;  // after the session, which its thread uses
};

}  // namespace
}  // namespace talun::sim

talun::hiddriver::HidDriver& talun::hiddriver::TheDriver() {
    static talun::sim::SimDriver driver;
    return driver;
}

// This library drives no hardware: the placeholder firmware image may go through it.
extern "C" HIDDRIVER_EXPORT int HIDDRIVER_CALL HidDriver_IsSimulator(void) {
    return 1;
}

#ifndef HIDDRIVER_STDCALL
static_assert(std::is_same_v<decltype(&HidDriver_IsSimulator), IsSimulatorFn>);
#endif
