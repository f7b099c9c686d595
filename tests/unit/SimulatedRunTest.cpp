// Whole update runs against the simulated mouse: what it holds afterwards, what
// reached it, and a property over thousands of random fault plans.
#include <gtest/gtest.h>

#include <random>

#include "Fakes.h"
#include "device/DeviceEvents.h"
#include "driver/sim/SimDeviceAccess.h"
#include "driver/sim/SimMouse.h"
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
        return mouse.HoldsCompleteImage(Image()) && mouse.HoldsDefaultSettings(state.BreathingMode);
    }
    std::vector<uint8_t> SetIds() const {
        std::vector<uint8_t> ids;
        for (const TraceEntry& e : mouse.Trace()) {
            if (e.direction == TraceEntry::Set) ids.push_back(e.bytes.at(0));
        }
        return ids;
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
    SimulatedStation s(FaultPlan{true, {}, {}, {}, {}, -1});
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated);
    // The transfer stops at the refused first chunk; every settings report is tried once.
    EXPECT_EQ(s.SetIds(), (std::vector<uint8_t>{0x2A, 0x05, 0x06, 0x07, 0x08}));
    EXPECT_EQ(s.StatusReads(), 0);
    EXPECT_TRUE(s.clock.sleeps.empty());
}

TEST(SimulatedRun, RefusedChunk) {
    FaultPlan plan;
    plan.refusedWrites = {WriteFault{REPORT_FIRMWARE_CHUNK, 2}};
    SimulatedStation s(plan);
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated);
    EXPECT_EQ(s.SetIds(), (std::vector<uint8_t>{0x2A, 0x2A, 0x05, 0x06, 0x07, 0x08}));
    EXPECT_FALSE(s.mouse.HoldsCompleteImage(s.Image()));
    EXPECT_TRUE(s.mouse.HoldsDefaultSettings(2));  // the restore still ran
}

TEST(SimulatedRun, RefusedSettingsReportIsNotAnUpdatedMouse) {
    for (uint8_t id : {REPORT_PROFILE, REPORT_MAIN_SETTINGS, REPORT_BUTTON_MAP}) {
        FaultPlan plan;
        plan.refusedWrites = {WriteFault{id, 0}};
        SimulatedStation s(plan);
        EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated) << int(id);
        EXPECT_EQ(s.SetIds(), kEveryReport) << int(id);
        EXPECT_EQ(s.mouse.Commits(REPORT_OTG_SPEED), 1) << int(id);
    }
}

TEST(SimulatedRun, BusyThatNeverEnds) {
    FaultPlan plan;
    plan.finalStatus[REPORT_OTG_SPEED] = ACK_STATUS_BUSY;
    SimulatedStation s(plan);
    EXPECT_EQ(RunUpdate(s.ctx), UpdateStatus::NotUpdated);
    EXPECT_EQ(s.StatusReads(), 6 + 10);
    EXPECT_EQ(s.clock.TotalSlept(), 3500u + 300 + 200 + 300 + 100 + 16500);
}

TEST(SimulatedRun, BusyForAWhileThenDone) {
    FaultPlan plan;
    plan.busyPolls[REPORT_FIRMWARE_CHUNK] = 3;
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

// The tool says "updated" exactly when the mouse holds the complete image and the
// default settings, whatever the mouse and its library do wrong.
TEST(SimulatedRun, OutcomeIsUpdatedExactlyWhenTheMouseHoldsEverything) {
    std::mt19937 random(20261207);
    const uint8_t ids[] = {0x2A, 0x05, 0x06, 0x07, 0x08};
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    int updated = 0;
    constexpr int kRuns = 4000;
    for (int run = 0; run < kRuns; ++run) {
        FaultPlan plan;
        plan.absent = chance(3);
        for (uint8_t id : ids) {
            if (chance(8)) plan.refusedWrites.push_back({id, static_cast<int>(random() % 4)});
            if (chance(25)) plan.busyPolls[id] = static_cast<int>(random() % 12);
            if (chance(8)) plan.finalStatus[id] = static_cast<uint8_t>(random() % 4);
        }
        while (chance(15)) plan.failedReads.push_back(static_cast<int>(1 + random() % 40));
        if (chance(8)) plan.unplugAfterWrites = static_cast<int>(1 + random() % 8);

        SimulatedStation s(plan);
        s.profileFile.values[{"Main Setting", "Breathing"}] = std::to_string(1 + random() % 5);
        const UpdateStatus status = RunUpdate(s.ctx);
        ASSERT_EQ(status == UpdateStatus::Updated, s.MouseHoldsEverything()) << "run " << run;
        updated += status == UpdateStatus::Updated ? 1 : 0;
    }
    // Both outcomes must be well represented, or the property says little.
    EXPECT_GT(updated, kRuns / 5);
    EXPECT_LT(updated, kRuns * 4 / 5);
}

}  // namespace
}  // namespace talun
