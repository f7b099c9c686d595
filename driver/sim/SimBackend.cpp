// The simulated mouse as a driver library (libhiddriver.so / hiddriver.dll): the
// sim's backend of the driver front.
//
// The mice of one process, set up on the first call from the scenario file beside
// the library (or the file named by TALUN_SIM_SCENARIO): one by default, each with
// a session of its own in its slot. The six entry points reach the one mouse:
// the lowest slot plugged in when the channel opens (slot 0 when none is); the
// slot entry points reach every one. The monitor is SimMonitor's thread.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/common/FeatureReport.h"
#include "driver/front/Exports.h"
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
constexpr const char* kDeviceListing = "sim:talun-r5 Talun R5 (simulated mouse)";

std::string DirectoryOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return ".";
    return path.substr(0, slash == 0 ? 1 : slash);
}

// The scenario file's settings, and what went wrong reading it (also said on stderr).
struct LoadedScenario {
    std::vector<Scenario> mice;  // at least one
    std::vector<std::string> complaints;
};

LoadedScenario LoadScenario() {
    LoadedScenario loaded;
    const char* named = std::getenv(kScenarioVariable);
    const bool isNamed = named != nullptr && named[0] != '\0';
    const std::string path = isNamed ? std::string(named) : LibraryDirectory() + kScenarioFileName;
    loaded.mice.resize(1);
    if (const auto text = ReadWholeFile(path)) {
        MiceScenario parsed = ParseMiceScenario(*text, DirectoryOf(path));
        loaded.mice = std::move(parsed.mice);
        for (const auto& e : parsed.errors) loaded.complaints.push_back(path + ": " + e);
    } else if (isNamed) {
        // No scenario beside the library: the mouse is there and answers Done.
        // A scenario that was asked for by name and is missing means no mouse,
        // so that a mistyped path cannot pass for a working mouse.
        loaded.mice[0].faults.absent = true;
        loaded.complaints.push_back("scenario " + path + " cannot be read; no mouse");
    }
    for (const auto& c : loaded.complaints)
        std::fprintf(stderr, "hiddriver (simulated mouse): %s\n", c.c_str());
    return loaded;
}

std::vector<std::unique_ptr<SimSession>> MakeSessions(const Clock& clock,
                                                      const LoadedScenario& loaded) {
    std::vector<std::unique_ptr<SimSession>> sessions;
    for (std::size_t slot = 0; slot < loaded.mice.size(); ++slot) {
        // What went wrong in the scenario goes to the state file of slot 0.
        sessions.push_back(std::make_unique<SimSession>(
            clock, loaded.mice[slot], slot == 0 ? loaded.complaints : std::vector<std::string>{}));
    }
    return sessions;
}

// Each mouse's identity: its scenario's port and serial, and its slot as its path.
std::vector<hiddriver::MouseIdentity> Identities(const LoadedScenario& loaded) {
    std::vector<hiddriver::MouseIdentity> identities;
    for (std::size_t slot = 0; slot < loaded.mice.size(); ++slot) {
        const Scenario& mouse = loaded.mice[slot];
        identities.push_back({mouse.port, mouse.serial, "sim:slot " + std::to_string(slot)});
    }
    return identities;
}

std::vector<SimSession*> Pointers(const std::vector<std::unique_ptr<SimSession>>& sessions) {
    std::vector<SimSession*> pointers;
    for (const auto& s : sessions) pointers.push_back(s.get());
    return pointers;
}

class SimDriver final : public hiddriver::HidDriver {
  public:
    explicit SimDriver(const LoadedScenario& loaded = LoadScenario())
        : sessions_(MakeSessions(clock_, loaded)),
          identities_(Identities(loaded)),
          monitor_(Pointers(sessions_), clock_, loaded.mice) {}

    void OpenMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) override {
        monitor_.Open(window, inputMessage, plugMessage);
    }
    void CloseMonitor() override { monitor_.Close(); }
    int OpenFeatureDevice() override {
        const int slot = LowestPresentSlot();
        oneMouse_.store(slot);
        return OpenFeatureDeviceSlot(slot);
    }
    void CloseFeatureDevice() override { CloseFeatureDeviceSlot(oneMouse_.load()); }
    int SetFeature(unsigned char* report, int length) override {
        return SetFeatureSlot(oneMouse_.load(), report, length);
    }
    int GetFeature(unsigned char* report, int length) override {
        return GetFeatureSlot(oneMouse_.load(), report, length);
    }

    int OpenFeatureDeviceSlot(int slot) override {
        SimSession* session = Session(slot);
        return session ? session->OpenFeature() : 0;
    }
    void CloseFeatureDeviceSlot(int slot) override {
        if (SimSession* session = Session(slot)) session->CloseFeature();
    }
    int SetFeatureSlot(int slot, unsigned char* report, int length) override {
        SimSession* session = Session(slot);
        return session ? session->Set(report, length) : 0;
    }
    int GetFeatureSlot(int slot, unsigned char* report, int length) override {
        SimSession* session = Session(slot);
        return session ? session->Get(report, length) : 0;
    }
    // A library of one mouse cannot tell mice apart: -1, and the tool takes it
    // for what it is.
    int ListFeatureDeviceSlots(int* slots, int capacity) override {
        if (slots == nullptr || capacity < 0 || sessions_.size() < 2) return -1;
        int count = 0;
        for (std::size_t slot = 0; slot < sessions_.size(); ++slot) {
            if (!sessions_[slot]->IsPresent()) continue;
            if (count < capacity) slots[count] = static_cast<int>(slot);
            ++count;
        }
        return count;
    }

    std::optional<hiddriver::MouseIdentity> SlotIdentity(int slot) override {
        SimSession* session = Session(slot);
        if (session == nullptr || !session->IsPresent()) return std::nullopt;
        return identities_[static_cast<std::size_t>(slot)];
    }

    // One line per mouse present; with several, each says its slot.
    int ListDevices(char* text, int capacity) override {
        if (text == nullptr || capacity < 1) return -1;
        std::string listing;
        int count = 0;
        for (std::size_t slot = 0; slot < sessions_.size(); ++slot) {
            if (!sessions_[slot]->IsPresent()) continue;
            listing += kDeviceListing;
            if (sessions_.size() > 1) listing += " slot " + std::to_string(slot);
            listing += "\n";
            ++count;
        }
        hiddriver::CopyText(listing, text, capacity);
        return count;
    }

  private:
    int LowestPresentSlot() const {
        for (std::size_t slot = 0; slot < sessions_.size(); ++slot) {
            if (sessions_[slot]->IsPresent()) return static_cast<int>(slot);
        }
        return 0;
    }
    SimSession* Session(int slot) const {
        if (slot < 0 || static_cast<std::size_t>(slot) >= sessions_.size()) return nullptr;
        return sessions_[static_cast<std::size_t>(slot)].get();
    }

    SystemClock clock_;
    std::vector<std::unique_ptr<SimSession>> sessions_;
    const std::vector<hiddriver::MouseIdentity> identities_;  // by slot
    SimMonitor monitor_;            // after the sessions, which its thread uses
    std::atomic<int> oneMouse_{0};  // the slot of the six entry points
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
