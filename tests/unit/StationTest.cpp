// Several simulated mice at once, each in a slot of a station: every mouse's run
// is that of a single update, and nothing one mouse does reaches another.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>

#include "Fakes.h"
#include "RandomFaultPlan.h"
#include "device/TransferTrace.h"
#include "driver/sim/SimDeviceAccess.h"
#include "tests/support/Gate.h"
#include "tests/support/GoldenFiles.h"
#include "update/Station.h"
#include "update/UpdateRun.h"

namespace talun {
namespace {

using sim::FaultPlan;
using sim::SimMouse;

// A clock whose sleeps wait at its gate until the test opens it (then they pass at once).
class GateClock final : public Clock {
  public:
    void Sleep(uint32_t ms) override {
        gate.Pass();
        now_ += ms;
    }
    uint64_t NowMs() const override { return now_; }
    test::Gate gate;

  private:
    std::atomic<uint64_t> now_{0};
};

// The station's workers read the settings file at once, as a system's reader may be.
class SharedProfileFile final : public ProfileFile {
  public:
    std::string ReadString(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& defaultValue,
                           std::size_t limit) const override {
        std::lock_guard<std::mutex> lock(mutex_);
        return file.ReadString(path, section, key, defaultValue, limit);
    }
    testing::FakeProfileFile file;

  private:
    mutable std::mutex mutex_;
};

// What a slot's run hears; throws at the start of one step when told to, as a
// front end's sink may (a full disk, no memory left).
struct ThrowingObserver final : UpdateObserver {
    void OnStepStarted(UpdateStep step) override {
        if (throwAt && *throwAt == step) throw std::runtime_error("no space left on device");
    }
    std::optional<UpdateStep> throwAt;
};

// One slot: a simulated mouse with its own plan, clock, device access and trace.
struct SimSlot {
    SimSlot(FaultPlan plan, Clock* gate)
        : clock(gate ? gate : &ownClock),
          mouse(*clock, std::move(plan)),
          device(mouse),
          traced(device, *clock, sink),
          tracedClock(*clock, sink) {}

    testing::FakeClock ownClock;
    Clock* clock;
    SimMouse mouse;
    sim::SimDeviceAccess device;
    std::string trace;
    TraceSink sink = [this](const std::string& line) { trace += line + "\n"; };
    TracingDeviceAccess traced;
    TracingClock tracedClock;
    ThrowingObserver observer;
};

class StationOfSimulatedMice {
  public:
    explicit StationOfSimulatedMice(std::vector<FaultPlan> plans, Clock* gateOfSlot1 = nullptr,
                                    FirmwareImage image = FirmwareImage::BuiltIn())
        : firmware(std::move(image)) {
        profile.file.existingPath = "/opt/talun/default.ini";
        for (std::size_t i = 0; i < plans.size(); ++i) {
            auto* gate = i == 1 ? gateOfSlot1 : nullptr;
            slots.push_back(std::make_unique<SimSlot>(std::move(plans[i]), gate));
        }
        ToolState base;
        base.ProgramDirectory = "/opt/talun/";
        station = std::make_unique<Station>(
            StationSetup{base, profile, firmware, [this](int slot) { return Borrow(slot); },
                         [this](const SlotOutcome& o) {
                             std::lock_guard<std::mutex> lock(mutex);
                             if (o.slot == throwOnReportOf && o.failure.empty()) {
                                 throwOnReportOf = -1;  // once
                                 throw std::runtime_error("the log is gone");
                             }
                             outcomes.push_back(o);
                             reported.notify_all();
                         }});
    }
    ~StationOfSimulatedMice() { station.reset(); }

    // The station owns what makeSlot returns; hand it a shell of the slot so that
    // the test keeps looking at the mouse after the station is gone.
    struct Shell final : SlotSetup {
        explicit Shell(SimSlot& s) : slot(s) {}
        DeviceAccess& Device() override { return slot.traced; }
        Clock& SlotClock() override { return slot.tracedClock; }
        UpdateObserver& Observer() override { return slot.observer; }
        SimSlot& slot;
    };
    std::unique_ptr<SlotSetup> Borrow(int slot) {
        if (slot >= static_cast<int>(slots.size())) return nullptr;
        return std::make_unique<Shell>(*slots[slot]);
    }

    void PlugAll() {
        for (std::size_t i = 0; i < slots.size(); ++i)
            station->DeliverMessage(WM_HID_PLUG_EVENT, 1, static_cast<intptr_t>(i));
    }
    bool WaitForOutcomeOf(int slot) {
        std::unique_lock<std::mutex> lock(mutex);
        return reported.wait_for(lock, std::chrono::seconds(30), [&] {
            for (const SlotOutcome& o : outcomes)
                if (o.slot == slot) return true;
            return false;
        });
    }
    const SlotOutcome* OutcomeOf(int slot) const {
        for (const SlotOutcome& o : outcomes)
            if (o.slot == slot) return &o;
        return nullptr;
    }

    FirmwareImage firmware;
    SharedProfileFile profile;
    std::vector<std::unique_ptr<SimSlot>> slots;
    std::mutex mutex;
    std::condition_variable reported;
    std::vector<SlotOutcome> outcomes;
    int throwOnReportOf = -1;  // the slot whose next report throws
    std::unique_ptr<Station> station;
};

// What a mouse saw, times aside: direction, length, result and bytes of each call.
std::vector<std::vector<uint8_t>> Traffic(const SimMouse& mouse) {
    std::vector<std::vector<uint8_t>> calls;
    for (const sim::TraceEntry& e : mouse.Trace()) {
        std::vector<uint8_t> call = {static_cast<uint8_t>(e.direction),
                                     static_cast<uint8_t>(e.result)};
        call.insert(call.end(), e.bytes.begin(), e.bytes.end());
        calls.push_back(call);
    }
    return calls;
}

// The traffic of one update of one mouse alone, with this plan.
std::vector<std::vector<uint8_t>> SingleUpdateTraffic(const FaultPlan& plan) {
    testing::FakeClock clock;
    SimMouse mouse(clock, plan);
    sim::SimDeviceAccess device(mouse);
    ToolState state;
    testing::FakeProfileFile profile;
    UpdateObserver observer;
    CoreContext ctx{state, device, clock, profile, FirmwareImage::BuiltIn(), observer};
    device.OpenFeatureDevice();
    RunUpdate(ctx);
    return Traffic(mouse);
}

// Four mice at once, random faults each: every mouse is "updated" exactly when it
// holds everything, and its traffic and sleeps are those of a single update.
TEST(Station, EachOfFourMiceIsUpdatedExactlyWhenItHoldsEverything) {
    std::mt19937 random(20261208);
    int updated = 0;
    constexpr int kRounds = 250;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<FaultPlan> plans;
        for (int i = 0; i < 4; ++i) {
            plans.push_back(testing::RandomFaultPlan(random));
            if (random() % 100 < 12) plans.back().unplugAfterWrites = 1 + random() % 8;
        }
        StationOfSimulatedMice s(plans);
        s.PlugAll();
        s.station->Finish();
        ASSERT_EQ(s.outcomes.size(), 4u) << "round " << round;
        for (int slot = 0; slot < 4; ++slot) {
            const SimSlot& mouse = *s.slots[slot];
            const bool isUpdated = s.OutcomeOf(slot)->status == UpdateStatus::Updated;
            ASSERT_EQ(isUpdated, testing::HoldsEverything(mouse.mouse, 2)) << round << "/" << slot;
            ASSERT_EQ(Traffic(mouse.mouse), SingleUpdateTraffic(plans[slot]))
                << round << "/" << slot;
            ASSERT_EQ(mouse.ownClock.sleeps.front(), ATTACH_SETTLE_MS);
            updated += isUpdated ? 1 : 0;
        }
    }
    EXPECT_GT(updated, kRounds * 4 / 5);
    EXPECT_LT(updated, kRounds * 4);
}

// Mouse 1 is stuck in its settle; the others are updated meanwhile, and a stop
// lets mouse 1's run finish whole.
TEST(Station, AStuckMouseHoldsUpNoOtherAndAStopLetsItsRunFinish) {
    GateClock clock;
    StationOfSimulatedMice s({FaultPlan{}, FaultPlan{}, FaultPlan{}}, &clock);
    s.PlugAll();
    ASSERT_TRUE(clock.gate.WaitForArrival());
    EXPECT_TRUE(s.WaitForOutcomeOf(0));
    EXPECT_TRUE(s.WaitForOutcomeOf(2));
    EXPECT_EQ(s.OutcomeOf(1), nullptr);

    std::thread stopper([&] { s.station->Stop(); });
    clock.gate.Open();
    stopper.join();
    ASSERT_NE(s.OutcomeOf(1), nullptr);
    EXPECT_EQ(s.OutcomeOf(1)->status, UpdateStatus::Updated);
    EXPECT_TRUE(testing::HoldsEverything(s.slots[1]->mouse, 2));
}

// Plugged in and out together, every mouse's traffic, sleeps and times are
// those of the one mouse of the golden trace.
TEST(Station, EveryMouseOfFourMovesExactlyTheGoldenTrace) {
    StationOfSimulatedMice s(std::vector<FaultPlan>(4), nullptr, testing::CountingImage());
    s.PlugAll();
    for (int slot = 0; slot < 4; ++slot) s.station->DeliverMessage(WM_HID_PLUG_EVENT, 0, slot);
    s.station->Finish();
    const std::string golden = testing::ReadGolden("update-after-plug-in.trace");
    ASSERT_FALSE(golden.empty());
    for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(s.slots[slot]->trace, golden) << slot;
}

// Slot 1's run throws in its second firmware part: that mouse alone is not
// updated, with the reason, and the station goes on with the others and with
// slot 1's next run. A report that throws is made again as not updated.
TEST(Station, AThrowEndsOnlyItsOwnMousesRunWithTheReason) {
    StationOfSimulatedMice s({FaultPlan{}, FaultPlan{}, FaultPlan{}});
    s.slots[1]->observer.throwAt = UpdateStep::FirmwareChunk2;
    s.PlugAll();
    s.station->Finish();
    ASSERT_EQ(s.outcomes.size(), 3u);
    for (int slot : {0, 2}) {
        EXPECT_EQ(s.OutcomeOf(slot)->status, UpdateStatus::Updated) << slot;
        EXPECT_EQ(s.OutcomeOf(slot)->failure, "") << slot;
    }
    EXPECT_EQ(s.OutcomeOf(1)->status, UpdateStatus::NotUpdated);
    EXPECT_EQ(s.OutcomeOf(1)->action, DeviceEventAction::Attached);
    EXPECT_EQ(s.OutcomeOf(1)->failure, "no space left on device");
    EXPECT_FALSE(testing::HoldsEverything(s.slots[1]->mouse, 2));

    StationOfSimulatedMice again({FaultPlan{}, FaultPlan{}});
    again.throwOnReportOf = 0;
    again.station->UpdateNow(0);
    again.station->UpdateNow(1);
    again.station->UpdateNow(0);  // the slot's next run is its own again
    again.station->Finish();
    ASSERT_EQ(again.outcomes.size(), 3u);
    int failed = 0;
    for (const SlotOutcome& o : again.outcomes) {
        EXPECT_EQ(o.status, o.failure.empty() ? UpdateStatus::Updated : UpdateStatus::NotUpdated);
        if (!o.failure.empty()) {
            ++failed;
            EXPECT_EQ(o.slot, 0);
            EXPECT_EQ(o.failure, "the log is gone");
        }
    }
    EXPECT_EQ(failed, 1);
}

TEST(Station, MessagesReachTheirSlotsAndNoOther) {
    StationOfSimulatedMice s({FaultPlan{}, FaultPlan{}});
    EXPECT_FALSE(s.station->DeliverMessage(WM_HID_PLUG_EVENT, 1, -1));
    EXPECT_FALSE(s.station->DeliverMessage(WM_HID_PLUG_EVENT, 1, STATION_MAX_SLOT + 1));
    s.station->MarkAttached(0);  // there from the start: not updated
    EXPECT_TRUE(s.station->DeliverMessage(WM_HID_PLUG_EVENT, 1, 0));
    EXPECT_TRUE(s.station->DeliverMessage(WM_HID_INPUT_EVENT, 0xE000, 3));
    s.station->UpdateNow(1);
    s.station->DeliverMessage(WM_HID_PLUG_EVENT, 0, 1);
    s.station->Finish();
    ASSERT_EQ(s.outcomes.size(), 2u);
    EXPECT_EQ(s.outcomes[0].slot, 1);
    EXPECT_EQ(s.outcomes[0].status, UpdateStatus::Updated);
    EXPECT_EQ(s.outcomes[1].action, DeviceEventAction::Detached);
    EXPECT_TRUE(s.slots[0]->mouse.Trace().empty());
    EXPECT_EQ(s.station->SlotCount(), 2);
}

}  // namespace
}  // namespace talun
