// The Linux driver library's mice by slot against emulated hidraw mice: the
// monitor's plug messages, slots kept across another mouse's unplug, each
// mouse's own reason, and the reasons an operator is promised when no mouse opens.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

#include "device/SlotIdentity.h"
#include "tests/support/MonitorTarget.h"
#include "tests/umock/UmockBed.h"
#include "tests/umock/UmockDriver.h"

namespace talun::umock {
namespace {

using talun::test::MonitorTarget;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

using Plug = std::tuple<uintptr_t, intptr_t>;  // wParam (1 plugged, 0 unplugged), slot

std::vector<Plug> PlugsOf(MonitorTarget& target) {
    std::vector<Plug> plugs;
    for (const auto& [message, wParam, slot] : target.Events()) {
        if (message == WM_HID_PLUG_EVENT) plugs.emplace_back(wParam, slot);
    }
    return plugs;
}

std::vector<uint8_t> ProfileReport() {
    return {REPORT_PROFILE, LENGTH_PROFILE, 0x00};
}

class UmockSlots : public ::testing::Test {
  protected:
    UmockBed bed;
};

// Once each, with the mouse's slot; a mouse keeps its slot while another is
// unplugged and plugged in again, and reaches its own node in it.
TEST_F(UmockSlots, MonitorPostsEachPlugOnceWithItsSlotAndSlotsAreKept) {
    const int first = bed.Add();
    const int second = bed.Add();
    BoundDriver driver;
    MonitorTarget target;
    driver.copy.Open_DevMonitor(target.Handle(), WM_HID_INPUT_EVENT, WM_HID_PLUG_EVENT);

    bed.Plug(first);
    ASSERT_TRUE(target.WaitFor(1));
    bed.Plug(second);
    ASSERT_TRUE(target.WaitFor(2));
    bed.Unplug(first);
    ASSERT_TRUE(target.WaitFor(3));
    EXPECT_EQ(driver.Slots(), std::vector<int>{1});
    bed.Plug(first);
    ASSERT_TRUE(target.WaitFor(4));
    EXPECT_EQ(driver.Slots(), (std::vector<int>{0, 1}));

    // Slot 1 is still the second mouse: a report there reaches its node only.
    std::vector<uint8_t> report = ProfileReport();
    ASSERT_EQ(driver.copy.Open_FeatureDeviceSlot(1), 1) << driver.copy.LastError();
    EXPECT_EQ(driver.copy.SetFeatureSlot(1, report.data(), LENGTH_PROFILE), 1)
        << driver.copy.LastError();
    EXPECT_EQ(bed.Mouse(second).Log().size(), 1u);
    EXPECT_TRUE(bed.Mouse(first).Log().empty());

    bed.Unplug(second);
    ASSERT_TRUE(target.WaitFor(5));
    driver.copy.Close_DevMonitor();
    EXPECT_THAT(PlugsOf(target),
                ElementsAre(Plug{1, 0}, Plug{1, 1}, Plug{0, 0}, Plug{1, 0}, Plug{0, 1}));
}

// Two mice failing differently at the same moment: each slot keeps its own
// reason, whichever failed last.
TEST_F(UmockSlots, TwoMiceFailingAtOnceKeepTheirOwnReasons) {
    const int refusing = bed.Add(
        {UMOCK_VENDOR_ID, UMOCK_PRODUCT_ID, {}, sim::FaultPlan().RefuseWrite(REPORT_PROFILE)});
    const int leaving = bed.Add(WithFaults(sim::FaultPlan().UnplugAfterWrites(1)));
    bed.Plug(refusing);
    bed.Plug(leaving);
    BoundDriver driver;
    ASSERT_EQ(driver.Slots(), (std::vector<int>{0, 1}));
    ASSERT_EQ(driver.copy.Open_FeatureDeviceSlot(0), 1) << driver.copy.LastError();
    ASSERT_EQ(driver.copy.Open_FeatureDeviceSlot(1), 1) << driver.copy.LastError();

    std::vector<uint8_t> second = ProfileReport();
    ASSERT_EQ(driver.copy.SetFeatureSlot(1, second.data(), LENGTH_PROFILE), 1);  // its last write
    ASSERT_TRUE(bed.WaitUnplugged(leaving));
    std::thread other([&] {
        std::vector<uint8_t> report = ProfileReport();
        EXPECT_EQ(driver.copy.SetFeatureSlot(1, report.data(), LENGTH_PROFILE), 0);
    });
    std::vector<uint8_t> first = ProfileReport();
    EXPECT_EQ(driver.copy.SetFeatureSlot(0, first.data(), LENGTH_PROFILE), 0);
    other.join();

    EXPECT_THAT(driver.SlotError(0),
                AllOf(HasSubstr("SetFeatureSlot 0 report 0x05"), HasSubstr("/dev/hidraw0"),
                      HasSubstr("Broken pipe"), Not(HasSubstr("No such device"))));
    EXPECT_THAT(driver.SlotError(1),
                AllOf(HasSubstr("SetFeatureSlot 1 report 0x05"), HasSubstr("/dev/hidraw1"),
                      HasSubstr("No such device"), Not(HasSubstr("Broken pipe"))));
    // A success clears only that slot's reason; a slot never used has none.
    std::vector<uint8_t> request = {REPORT_STATUS, 0x00, STATUS_ITEM_MAIN_SETTINGS};
    EXPECT_EQ(driver.copy.SetFeatureSlot(0, request.data(), LENGTH_STATUS), 1)
        << driver.SlotError(0);
    EXPECT_EQ(driver.SlotError(0), "");
    EXPECT_THAT(driver.SlotError(1), HasSubstr("No such device"));
    EXPECT_EQ(driver.SlotError(7), "");
}

// Which mouse is in a slot: the USB device's port chain from sysfs, its serial
// and its path; the slot of a mouse that left says nothing.
TEST_F(UmockSlots, EachSlotGivesItsMousesPortSerialAndPath) {
    const int first = bed.Add();
    const int second = bed.Add();
    bed.Plug(first);
    bed.Plug(second);
    BoundDriver driver;
    ASSERT_EQ(driver.Slots(), (std::vector<int>{0, 1}));
    for (const int mouse : {first, second}) {
        const std::optional<MouseIdentity> identity =
            ReadSlotIdentity(driver.copy.Library(), mouse);
        ASSERT_TRUE(identity) << "slot " << mouse;
        EXPECT_EQ(identity->port, "1-" + std::to_string(mouse + 1));
        EXPECT_EQ(identity->serial, "R5-000" + std::to_string(mouse + 1));
        EXPECT_THAT(identity->path, HasSubstr("1-" + std::to_string(mouse + 1)));
    }
    bed.Unplug(first);
    ASSERT_EQ(driver.Slots(), std::vector<int>{1});
    EXPECT_FALSE(ReadSlotIdentity(driver.copy.Library(), 0));
}

}  // namespace
}  // namespace talun::umock
