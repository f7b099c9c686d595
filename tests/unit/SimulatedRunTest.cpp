// Whole update runs against the simulated mouse: what it holds afterwards, what
// reached it, and a property over thousands of random fault plans.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "Fakes.h"
#include "RandomFaultPlan.h"
#include "driver/sim/SimDeviceAccess.h"
#include "driver/sim/SimMouse.h"
#include "update/DeviceEvents.h"
#include "update/UpdateRun.h"

namespace talun {
namespace {

using sim::FaultPlan;
using sim::SimDeviceAccess;
using sim::SimMouse;
using sim::TraceEntry;
using sim::WriteFault;

struct SimulatedStation {
    explicit SimulatedStation(FaultPlan plan = {}) : mouse(clock, std::move(plan)), device(mouse) {
        state.ProgramDirectory = "/opt/talun/";
        profileFile.existingPath = "/opt/talun/default.ini";
        device.OpenFeatureDevice();
    }
    const std::vector<uint8_t>& Image() const { return FirmwareImage::BuiltIn().Block(); }
    bool MouseHoldsEverything() const {
        return testing::HoldsEverything(mouse, state.BreathingMode);
    }
    std::vector<uint8_t> SetIds() const {
        std::vector<uint8_t> ids;
        for (const TraceEntry& e : mouse.Trace()) {
            if (e.direction == TraceEntry::Set) ids.push_back(e.bytes.at(0));
        }
        return ids;
    }
    std::map<uint8_t, int> CommitCounts() const {
        std::map<uint8_t, int> counts;
        for (uint8_t id : {0x2A, 0x05, 0x06, 0x07, 0x08}) counts[id] = mouse.Commits(id);
        return counts;
    }
    // Three chunks and each settings report committed since the counts were taken.
    bool CommittedAWholeRunSince(const std::map<uint8_t, int>& before) const {
        for (const auto& [id, n] : before) {
            if (mouse.Commits(id) - n < (id == REPORT_FIRMWARE_CHUNK ? 3 : 1)) return false;
        }
        return true;
    }
    int StatusReads() const {
        int n = 0;
        for (const TraceEntry& e : mouse.Trace()) {
            n += e.direction == TraceEntry::Get && e.bytes.at(0) == REPORT_STATUS ? 1 : 0;
        }
        return n;
    }

    testing::FakeClock clock;
    ToolState state;
    testing::FakeProfileFile profileFile;
    UpdateObserver observer;
    SimMouse mouse;
    SimDeviceAccess device;
    CoreContext ctx{state, device, clock, profileFile, FirmwareImage::BuiltIn(), observer};
};

const std::vector<uint8_t> kEveryReport = {0x2A, 0x2A, 0x2A, 0x05, 0x06, 0x07, 0x08};

TEST(SimulatedRun, AllAcknowledged) {
    SimulatedStation s;
    s.profileFile.values[{"Main Setting", "Breathing"}] = "4";
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::Updated);
    EXPECT_TRUE(s.mouse.HoldsCompleteImage(s.Image()));
    EXPECT_TRUE(s.mouse.HoldsDefaultSettings(4));
    EXPECT_EQ(s.SetIds(), kEveryReport);
}

TEST(SimulatedRun, AbsentMouse) {
    SimulatedStation s(FaultPlan::AbsentMouse());
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated);
    // The transfer stops at the refused first chunk; every settings report is tried once.
    EXPECT_EQ(s.SetIds(), (std::vector<uint8_t>{0x2A, 0x05, 0x06, 0x07, 0x08}));
    EXPECT_EQ(s.StatusReads(), 0);
    EXPECT_TRUE(s.clock.sleeps.empty());
}

TEST(SimulatedRun, RefusedChunk) {
    const FaultPlan plan = FaultPlan().RefuseWrite(REPORT_FIRMWARE_CHUNK, 2);
    SimulatedStation s(plan);
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated);
    EXPECT_EQ(s.SetIds(), (std::vector<uint8_t>{0x2A, 0x2A, 0x05, 0x06, 0x07, 0x08}));
    EXPECT_FALSE(s.mouse.HoldsCompleteImage(s.Image()));
    EXPECT_TRUE(s.mouse.HoldsDefaultSettings(2));  // the restore still ran
}

TEST(SimulatedRun, RefusedSettingsReportIsNotAnUpdatedMouse) {
    for (uint8_t id : {REPORT_PROFILE, REPORT_MAIN_SETTINGS, REPORT_BUTTON_MAP}) {
        const FaultPlan plan = FaultPlan().RefuseWrite(id);
        SimulatedStation s(plan);
        EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated) << int(id);
        EXPECT_EQ(s.SetIds(), kEveryReport) << int(id);
        EXPECT_EQ(s.mouse.Commits(REPORT_OTG_SPEED), 1) << int(id);
    }
}

TEST(SimulatedRun, BusyThatNeverEnds) {
    const FaultPlan plan = FaultPlan().BusyForever(REPORT_OTG_SPEED);
    SimulatedStation s(plan);
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated);
    EXPECT_EQ(s.StatusReads(), 6 + 10);
    EXPECT_EQ(s.clock.TotalSlept(), 3500u + 300 + 200 + 300 + 100 + 16500);
}

TEST(SimulatedRun, BusyForAWhileThenDone) {
    const FaultPlan plan = FaultPlan().Busy(REPORT_FIRMWARE_CHUNK, 3);
    SimulatedStation s(plan);
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::Updated);
    EXPECT_TRUE(s.MouseHoldsEverything());
}

TEST(SimulatedRun, TwoRunsInARowSendEverythingTwice) {
    SimulatedStation s;
    RunUpdate(s.ctx);
    const std::size_t firstRun = s.mouse.Trace().size();
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::Updated);
    ASSERT_EQ(s.mouse.Trace().size(), 2 * firstRun);
    for (std::size_t i = 0; i < firstRun; ++i) {
        EXPECT_EQ(s.mouse.Trace()[i].bytes, s.mouse.Trace()[firstRun + i].bytes) << i;
    }
    for (uint8_t id : {0x2A, 0x05, 0x06, 0x07, 0x08}) {
        EXPECT_EQ(s.mouse.Commits(id), id == 0x2A ? 6 : 2) << int(id);
    }
}

TEST(SimulatedRun, PlugEventsDriveTheRun) {
    SimulatedStation s;
    s.device.CloseFeatureDevice();
    DispatchDeviceEvent(s.ctx, PlugEventCode(1));
    EXPECT_EQ(s.state.updateStatus, UpdateStatus::Updated);
    EXPECT_TRUE(s.MouseHoldsEverything());
    DispatchDeviceEvent(s.ctx, PlugEventCode(0));
    EXPECT_EQ(s.state.updateStatus, UpdateStatus::Idle);
    EXPECT_FALSE(s.mouse.IsOpen());
}

// A random fault plan of the property below, and where the mouse comes back
// after an unplug in the middle of a run.
struct PropertyPlan {
    FaultPlan faults;
    int replugAfterTransfers = -1;  // -1: it stays unplugged
    int breathing = 2;
};

PropertyPlan DrawPlan(std::mt19937& random) {
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    PropertyPlan p;
    p.faults = testing::RandomFaultPlan(random);
    if (chance(12)) {
        p.faults.unplugAfterWrites = static_cast<int>(1 + random() % 8);
        if (chance(60)) p.replugAfterTransfers = static_cast<int>(random() % 12);
    }
    p.breathing = static_cast<int>(1 + random() % 5);
    return p;
}

std::string Describe(const PropertyPlan& p) {
    std::ostringstream out;
    out << std::hex << std::showbase << "absent=" << p.faults.absent << " refused writes={";
    for (const WriteFault& f : p.faults.refusedWrites) {
        out << " " << int(f.reportId) << "#" << std::dec << f.occurrence << std::hex;
    }
    out << " } busy polls={";
    for (const auto& [id, n] : p.faults.busyPolls) out << " " << int(id) << ":" << std::dec << n;
    out << std::hex << " } final status={";
    for (const auto& [id, s] : p.faults.finalStatus) out << " " << int(id) << ":" << int(s);
    out << std::dec << " } failed reads={";
    for (int n : p.faults.failedReads) out << " " << n;
    out << " } unplug after writes=" << p.faults.unplugAfterWrites
        << " replug after transfers=" << p.replugAfterTransfers << " Breathing=" << p.breathing;
    return out.str();
}

// The monitor's plug events during a run; the window handles them after it.
// The mouse is plugged back in once replugAfter transfers followed its unplug.
class PlugMonitor {
  public:
    PlugMonitor(SimMouse& mouse, int replugAfter)
        : mouse_(mouse), present_(mouse.IsPresent()), replugAfter_(replugAfter) {
        mouse_.OnTransfer([this](const TraceEntry&) { Look(); });
    }
    // The events of the run, the replug included even when the run ended first.
    std::vector<uint32_t> EventsAfterRun() {
        Look();
        if (unplugged_ && !present_ && replugAfter_ >= 0) Replug();
        return events_;
    }

  private:
    void Look() {
        if (mouse_.IsPresent() != present_) {
            present_ = !present_;
            unplugged_ = unplugged_ || !present_;
            events_.push_back(PlugEventCode(present_ ? 1 : 0));
        } else if (unplugged_ && !present_ && replugAfter_ >= 0 && since_++ >= replugAfter_) {
            Replug();
        }
    }
    void Replug() {
        mouse_.SetPresent(true);
        present_ = true;
        replugAfter_ = -1;
        events_.push_back(PlugEventCode(1));
    }

    SimMouse& mouse_;
    bool present_;
    bool unplugged_ = false;
    int replugAfter_;
    int since_ = 0;
    std::vector<uint32_t> events_;
};

// TALUN_PROPERTY_SEED: a number, or "random" for a fresh one; TALUN_PROPERTY_RUNS:
// how many plans. Unset: the values below.
struct PropertySettings {
    uint32_t seed = 20261207;
    int runs = 4000;
    std::string error;
};

PropertySettings ReadPropertySettings() {
    PropertySettings settings;
    const char* seed = std::getenv("TALUN_PROPERTY_SEED");
    if (seed != nullptr && std::string(seed) == "random") {
        settings.seed = std::random_device{}();
    } else if (seed != nullptr && *seed != '\0') {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(seed, &end, 10);
        if (*end != '\0' || value > UINT32_MAX)
            settings.error = "TALUN_PROPERTY_SEED: " + std::string(seed);
        settings.seed = static_cast<uint32_t>(value);
    }
    if (const char* runs = std::getenv("TALUN_PROPERTY_RUNS"); runs != nullptr && *runs != '\0') {
        char* end = nullptr;
        const long value = std::strtol(runs, &end, 10);
        if (*end != '\0' || value < 1 || value > 10000000)
            settings.error = "TALUN_PROPERTY_RUNS: " + std::string(runs);
        settings.runs = static_cast<int>(value);
    }
    return settings;
}

// The tool says "updated" exactly when the mouse holds the complete image and the
// default settings, whatever the mouse and its library do wrong, and again after
// the window has handled an unplug and replug that came in the middle of the run.
TEST(SimulatedRun, OutcomeIsUpdatedExactlyWhenTheMouseHoldsEverything) {
    const PropertySettings settings = ReadPropertySettings();
    ASSERT_TRUE(settings.error.empty()) << "not a valid value: " << settings.error;
    std::cout << "property seed " << settings.seed << ", " << settings.runs << " plans\n";
    std::mt19937 random(settings.seed);
    int updated = 0;
    int replugged = 0;
    for (int run = 0; run < settings.runs; ++run) {
        const PropertyPlan plan = DrawPlan(random);
        SimulatedStation s(plan.faults);
        s.profileFile.values[{"Main Setting", "Breathing"}] = std::to_string(plan.breathing);
        PlugMonitor monitor(s.mouse, plan.replugAfterTransfers);
        const UpdateStatus status = RunUpdate(s.ctx);
        ASSERT_EQ(status == UpdateStatus::Updated, s.MouseHoldsEverything())
            << "seed " << settings.seed << ", plan " << run << ": " << Describe(plan);
        updated += status == UpdateStatus::Updated ? 1 : 0;

        const std::vector<uint32_t> events = monitor.EventsAfterRun();
        const auto before = s.CommitCounts();
        for (uint32_t event : events) DispatchDeviceEvent(s.ctx, event);
        if (events.empty() || events.back() != PlugEventCode(1)) continue;
        ++replugged;
        // What the first run left may already be right; only a whole second run counts.
        ASSERT_EQ(s.state.updateStatus == UpdateStatus::Updated,
                  s.MouseHoldsEverything() && s.CommittedAWholeRunSince(before))
            << "after the replug; seed " << settings.seed << ", plan " << run << ": "
            << Describe(plan);
    }
    std::cout << updated << " runs updated, " << replugged << " replugged\n";
    // Both outcomes must be well represented, or the property says little.
    if (settings.runs >= 1000) {
        EXPECT_GT(updated, settings.runs / 5);
        EXPECT_LT(updated, settings.runs * 4 / 5);
        EXPECT_GT(replugged, settings.runs / 50);
    }
}

}  // namespace
}  // namespace talun
