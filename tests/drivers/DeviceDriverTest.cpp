// The driver front over a scripted backend: what every real driver library does
// around its platform's work, without a device.
#include "driver/front/DeviceDriver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "driver/front/EntryGuard.h"
#include "tests/support/ScratchDir.h"

namespace talun::hiddriver {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// What the scripted device saw and answers.
struct Script {
    std::vector<HidCandidate> candidates;
    std::string enumerateError;
    std::size_t bufferLength = 0;
    std::mutex writtenMutex;  // slots write at once
    std::vector<std::vector<uint8_t>> written;
    std::vector<uint8_t> answer;  // what a read fills the buffer with
    bool failTransfers = false;
    bool throwOnEnumerate = false;
    std::vector<std::string> opened;             // the collections opened, in order
    MouseSlotNotes* monitorNotes = nullptr;      // while a monitor runs
    std::vector<MouseInterface> presentAtStart;  // what the monitor finds there
    std::function<bool(const std::string& path)> beforeTransfer;  // false: fails
};

class ScriptedChannel final : public FeatureChannel {
  public:
    ScriptedChannel(Script& script, std::string path) : script_(script), path_(std::move(path)) {}
    std::size_t PlatformBufferLength(uint8_t) const override { return script_.bufferLength; }
    bool PlatformTransfer(bool write, std::vector<uint8_t>& buffer, std::string& reason) override {
        if (script_.failTransfers || (script_.beforeTransfer && !script_.beforeTransfer(path_))) {
            reason = "the device went away";
            return false;
        }
        if (write) {
            std::lock_guard<std::mutex> lock(script_.writtenMutex);
            script_.written.push_back(buffer);
        }
        if (!write) std::copy(script_.answer.begin(), script_.answer.end(), buffer.begin());
        return true;
    }

  private:
    Script& script_;
    std::string path_;
};

class ScriptedDriver final : public DeviceDriver {
  public:
    ScriptedDriver(const std::string& directory, Script& script)
        : DeviceDriver(directory), script_(script) {}

  private:
    std::vector<HidCandidate> PlatformEnumerate(uint16_t, uint16_t, std::string& error) override {
        if (script_.throwOnEnumerate) throw std::runtime_error("out of handles");
        error = script_.enumerateError;
        return script_.candidates;
    }
    std::unique_ptr<FeatureChannel> PlatformOpen(const HidCandidate& chosen,
                                                 std::string&) override {
        script_.opened.push_back(chosen.path);
        return std::make_unique<ScriptedChannel>(script_, chosen.path);
    }
    // The port and serial are the mouse path's, "usb:A" being port "A", serial "sA".
    MouseIdentity PlatformIdentify(const HidCandidate& collection) override {
        const std::string mouse = collection.mousePath.substr(collection.mousePath.find(':') + 1);
        return {mouse, "s" + mouse, "dropped: the front gives the path"};
    }
    std::string PlatformCheckWindow(HidWindow) const override { return {}; }
    std::unique_ptr<PlugMonitor> PlatformStartMonitor(const DriverConfig&, HidWindow, unsigned,
                                                      MouseSlotNotes& notes, std::string&,
                                                      std::string&) override {
        notes.NotePresent(script_.presentAtStart);
        script_.monitorNotes = &notes;
        return std::make_unique<PlugMonitor>();
    }
    Script& script_;
};

class DeviceDriverTest : public ::testing::Test {
  protected:
    DeviceDriverTest() {
        std::ofstream(dir_.File("hiddriver.ini")) << "[Device]\nVendorId=7e57\nProductId=0001\n";
        script_.candidates.push_back(
            {0x7E57, 0x0001, 0xFF00, 1, 1, 64, "mouse", "scripted:4", "usb:A"});
        script_.bufferLength = 64;
    }
    test::ScratchDir dir_{"front"};
    Script script_;
    ScriptedDriver driver_{(dir_.Path() / "").string(), script_};
};

TEST_F(DeviceDriverTest, PadsEachReportToTheDevicesLengthAndCopiesReadsBackAtTheToolsLength) {
    ASSERT_EQ(driver_.OpenFeatureDevice(), 1) << driver_.LastErrorText();
    unsigned char profile[3] = {0x05, 0x03, 0x02};
    EXPECT_EQ(driver_.SetFeature(profile, 3), 1);
    ASSERT_EQ(script_.written.size(), 1u);
    std::vector<uint8_t> expected(64, 0);
    expected[0] = 0x05, expected[1] = 0x03, expected[2] = 0x02;
    EXPECT_EQ(script_.written[0], expected);

    script_.answer = {0x04, 0x01, 0x05, 0xEE};  // byte 3 lies beyond the tool's length
    unsigned char status[4] = {0x04, 0, 0, 0x99};
    EXPECT_EQ(driver_.GetFeature(status, 3), 1);
    EXPECT_THAT(status, ElementsAre(0x04, 0x01, 0x05, 0x99));
    EXPECT_EQ(driver_.LastErrorText(), "");
}

TEST_F(DeviceDriverTest, EveryFailureSaysWhatWhichReportWhereAndWhy) {
    unsigned char report[3] = {0x05, 0x03, 0x00};
    EXPECT_EQ(driver_.SetFeature(report, 3), 0);
    EXPECT_EQ(driver_.LastErrorText(), "SetFeature: the feature device is not open");
    ASSERT_EQ(driver_.OpenFeatureDevice(), 1);
    EXPECT_EQ(driver_.GetFeature(nullptr, 3), 0);
    EXPECT_THAT(driver_.LastErrorText(), StartsWith("GetFeature: "));
    script_.failTransfers = true;
    EXPECT_EQ(driver_.SetFeature(report, 3), 0);
    EXPECT_EQ(driver_.LastErrorText(),
              "SetFeature report 0x05, 3 bytes (buffer 64 bytes) on scripted:4: the device went "
              "away");
    EXPECT_TRUE(script_.written.empty());
}

TEST_F(DeviceDriverTest, OpensNothingWithoutTheMouseAndSaysWhy) {
    script_.candidates.clear();
    script_.enumerateError = "the bus is asleep";
    EXPECT_EQ(driver_.OpenFeatureDevice(), 0);
    EXPECT_EQ(driver_.LastErrorText(), "Open_FeatureDevice: the bus is asleep");
    char text[8];
    EXPECT_EQ(driver_.ListDevices(text, sizeof text), -1);
    EXPECT_EQ(driver_.LastErrorText(), "List_HidDevices: the bus is asleep");

    test::ScratchDir empty("front-no-ini");
    ScriptedDriver unconfigured((empty.Path() / "").string(), script_);
    EXPECT_EQ(unconfigured.OpenFeatureDevice(), 0);
    EXPECT_THAT(unconfigured.LastErrorText(), HasSubstr("cannot read"));
    unconfigured.OpenMonitor(&text, 1325, 1326);  // runs, but watches nothing
    EXPECT_THAT(unconfigured.LastErrorText(), StartsWith("Open_DevMonitor: watching, but"));
}

TEST_F(DeviceDriverTest, AnExceptionBecomesAFailedCallWithItsReason) {
    script_.throwOnEnumerate = true;
    const auto driver = [this]() -> HidDriver& { return driver_; };
    const int opened = GuardedOn(driver, "Open_FeatureDevice", 0,
                                 [](HidDriver& d) { return d.OpenFeatureDevice(); });
    EXPECT_EQ(opened, 0);
    EXPECT_EQ(driver_.LastErrorText(), "Open_FeatureDevice: out of handles");
}

// Several mice of the identifiers: A (a pointer and a vendor collection) and B.
class DeviceDriverSlots : public DeviceDriverTest {
  protected:
    DeviceDriverSlots() { script_.candidates = {Mouse("A", 1, 0), Mouse("A", 2), Mouse("B", 3)}; }
    static HidCandidate Mouse(const char* mouse, int n, std::size_t feature = 64) {
        return {0x7E57, 0x0001, 0xFF00, 1, 1, feature, "mouse", "col:" + std::to_string(n), mouse};
    }
    std::vector<int> ListedSlots() {
        int slots[8] = {};
        const int count = driver_.ListFeatureDeviceSlots(slots, 8);
        if (count < 0) return {count};
        return std::vector<int>(slots, slots + std::min(count, 8));
    }
    unsigned char report_[3] = {0x05, 0x03, 0x00};
};

TEST_F(DeviceDriverSlots, EveryMouseHasASlotAndItsOwnChannelWhileItIsSeen) {
    EXPECT_THAT(ListedSlots(), ElementsAre(0, 1)) << driver_.LastErrorText();
    ASSERT_EQ(driver_.OpenFeatureDeviceSlot(0), 1) << driver_.LastErrorText();
    ASSERT_EQ(driver_.OpenFeatureDeviceSlot(1), 1);
    EXPECT_THAT(script_.opened, ElementsAre("col:2", "col:3"));
    EXPECT_EQ(driver_.SetFeatureSlot(1, report_, 3), 1);
    EXPECT_EQ(driver_.GetFeatureSlot(0, report_, 3), 1);
    script_.failTransfers = true;
    EXPECT_EQ(driver_.SetFeatureSlot(0, report_, 3), 0);
    EXPECT_EQ(driver_.LastErrorText(),
              "SetFeatureSlot 0 report 0x05, 3 bytes (buffer 64 bytes) on col:2: the device went "
              "away");
    driver_.CloseFeatureDeviceSlot(1);
    EXPECT_EQ(driver_.GetFeatureSlot(1, report_, 3), 0);
    EXPECT_EQ(driver_.LastErrorText(), "GetFeatureSlot 1: the feature device is not open");
    EXPECT_EQ(driver_.SetFeatureSlot(7, report_, 3), 0);

    // A leaves and C comes: B keeps slot 1, C takes the free slot 0.
    script_.candidates = {Mouse("C", 9), Mouse("B", 3)};
    EXPECT_THAT(ListedSlots(), ElementsAre(0, 1));
    ASSERT_EQ(driver_.OpenFeatureDeviceSlot(0), 1);
    EXPECT_EQ(script_.opened.back(), "col:9");
    EXPECT_EQ(driver_.OpenFeatureDeviceSlot(2), 0);
    EXPECT_EQ(driver_.LastErrorText(), "Open_FeatureDeviceSlot 2: no mouse in this slot");

    // The six entry points still mean the one mouse, found as before.
    ASSERT_EQ(driver_.OpenFeatureDevice(), 1);
    EXPECT_EQ(script_.opened.back(), "col:9");
    EXPECT_EQ(driver_.ListFeatureDeviceSlots(nullptr, 4), -1);
}

TEST_F(DeviceDriverSlots, EachSlotIsIdentifiedByItsOwnMouseUntilItLeaves) {
    script_.candidates = {Mouse("usb:A", 1), Mouse("usb:A", 2), Mouse("usb:B", 3)};
    EXPECT_THAT(ListedSlots(), ElementsAre(0, 1));
    const auto b = driver_.SlotIdentity(1);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(FormatMouseIdentity(*b), "port=B\nserial=sB\npath=usb:B\n");
    EXPECT_EQ(driver_.SlotIdentity(0)->port, "A");
    EXPECT_FALSE(driver_.SlotIdentity(2).has_value());
    script_.candidates = {Mouse("usb:B", 3)};
    EXPECT_FALSE(driver_.SlotIdentity(0).has_value());
    EXPECT_EQ(driver_.SlotIdentity(1)->serial, "sB");
}

TEST_F(DeviceDriverSlots, WhileAMonitorRunsOnlyItFillsAndEmptiesSlots) {
    script_.presentAtStart = {{"B", "b1"}};
    int sink = 0;
    driver_.OpenMonitor(&sink, 1325, 1326);
    ASSERT_NE(script_.monitorNotes, nullptr);
    // A is enumerated but not yet reported by the monitor: it has no slot.
    EXPECT_THAT(ListedSlots(), ElementsAre(0));
    ASSERT_EQ(driver_.OpenFeatureDeviceSlot(0), 1);
    EXPECT_THAT(script_.opened, ElementsAre("col:3"));
    EXPECT_EQ(script_.monitorNotes->NoteArrival({"A", "a1"}), 1);
    EXPECT_EQ(script_.monitorNotes->NoteArrival({"A", "a2"}), std::nullopt);
    EXPECT_THAT(ListedSlots(), ElementsAre(0, 1));
    EXPECT_EQ(script_.monitorNotes->NoteRemoval("b1"), 0);
    EXPECT_THAT(ListedSlots(), ElementsAre(1));
    driver_.CloseMonitor();
    // Without the monitor, enumerations keep the slots again: B is seen.
    EXPECT_THAT(ListedSlots(), ElementsAre(0, 1));
    ASSERT_EQ(driver_.OpenFeatureDeviceSlot(1), 1);
    EXPECT_EQ(script_.opened.back(), "col:2");
}

// Slot 1's transfer starts while slot 0's waits for it: behind one lock for all
// slots they would wait for each other (here: until the limit, and fail).
TEST_F(DeviceDriverSlots, TransfersOfDifferentSlotsRunAtOnce) {
    std::mutex mutex;
    std::condition_variable changed;
    bool firstWaits = false;
    bool secondMoved = false;
    const auto limit = std::chrono::seconds(30);
    script_.beforeTransfer = [&](const std::string& path) {
        std::unique_lock<std::mutex> lock(mutex);
        if (path == "col:3") {
            secondMoved = true;
            changed.notify_all();
            return true;
        }
        firstWaits = true;
        changed.notify_all();
        return changed.wait_for(lock, limit, [&] { return secondMoved; });
    };
    ASSERT_EQ(driver_.OpenFeatureDeviceSlot(0), 1);
    ASSERT_EQ(driver_.OpenFeatureDeviceSlot(1), 1);
    int first = 0;
    std::thread slot0([&] {
        unsigned char report[3] = {0x05, 0x03, 0x00};
        first = driver_.SetFeatureSlot(0, report, 3);
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        EXPECT_TRUE(changed.wait_for(lock, limit, [&] { return firstWaits; }));
    }
    EXPECT_EQ(driver_.SetFeatureSlot(1, report_, 3), 1);
    slot0.join();
    EXPECT_EQ(first, 1);
}

TEST_F(DeviceDriverSlots, WithoutAConfiguredMouseTheLibraryCannotTellMiceApart) {
    std::ofstream(dir_.File("hiddriver.ini")) << "[Device]\nVendorId=0000\nProductId=0000\n";
    EXPECT_THAT(ListedSlots(), ElementsAre(-1));
    EXPECT_THAT(driver_.LastErrorText(), StartsWith("List_FeatureDeviceSlots: "));
}

}  // namespace
}  // namespace talun::hiddriver
