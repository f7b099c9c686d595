// The slots of the mice a driver library tells apart, and the system paths that
// tell which mouse an interface belongs to.
#include "driver/common/MouseSlots.h"

#include <gtest/gtest.h>

namespace talun::hiddriver {
namespace {

using Slots = std::vector<int>;

TEST(MouseSlots, EachMouseHoldsTheLowestFreeSlotWhileAnyOfItsInterfacesIsThere) {
    MouseSlots slots;
    EXPECT_EQ(slots.Arrived({"usb/1-1", "1-1/a"}), 0);
    EXPECT_EQ(slots.Arrived({"usb/1-1", "1-1/b"}), std::nullopt) << "an interface of a known mouse";
    EXPECT_EQ(slots.Arrived({"usb/1-2", "1-2/a"}), 1);
    EXPECT_EQ(slots.Arrived({"usb/1-3", "1-3/a"}), 2);
    EXPECT_EQ(slots.Removed("1-1/a"), std::nullopt);
    EXPECT_EQ(slots.Removed("unknown"), std::nullopt);
    EXPECT_EQ(slots.Removed("1-1/b"), 0) << "its last interface left";
    EXPECT_EQ(slots.Slots(), (Slots{1, 2}));
    EXPECT_EQ(slots.Arrived({"usb/1-4", "1-4/a"}), 0) << "the lowest free slot";
    EXPECT_EQ(slots.Arrived({"usb/1-5", "1-5/a"}), 3);
    EXPECT_EQ(slots.Arrived({"", "lone"}), 4) << "without a mouse path: a mouse of its own";
    EXPECT_EQ(slots.SlotOf("lone"), 4);
}

TEST(MouseSlots, AnEnumerationKeepsTheSlotsOfTheMiceStillThere) {
    MouseSlots slots;
    slots.Sync({{"A", "a1"}, {"A", "a2"}, {"B", "b1"}, {"C", "c1"}});
    EXPECT_EQ(slots.Slots(), (Slots{0, 1, 2}));
    // A seen through other interface paths, B gone, D new: D takes B's slot.
    slots.Sync({{"D", "d1"}, {"C", "c1"}, {"A", "/dev/a"}});
    EXPECT_EQ(slots.SlotOf("A"), 0);
    EXPECT_EQ(slots.SlotOf("B"), std::nullopt);
    EXPECT_EQ(slots.SlotOf("C"), 2);
    EXPECT_EQ(slots.SlotOf("D"), 1);
    EXPECT_EQ(slots.Removed("a1"), std::nullopt) << "A's old paths are forgotten";
    EXPECT_EQ(slots.Removed("/dev/a"), 0);
}

TEST(MouseSlots, TheSystemPathOfTheMouse) {
    const std::string usb = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2";
    EXPECT_EQ(LinuxMousePath(usb + "/1-2:1.0/0003:1A2B:3C4D.0001/hidraw/hidraw0"), usb);
    EXPECT_EQ(LinuxMousePath(usb + "/1-2:1.1/0003:1A2B:3C4D.0002/hidraw/hidraw12"), usb);
    for (const std::string& own : std::vector<std::string>{
             "/sys/devices/virtual/misc/uhid/0003:1A2B:3C4D.0003/hidraw/hidraw3", "/dev/hidraw0",
             usb + "/1-2:1.0/hidraw/hidraw0"}) {
        EXPECT_EQ(LinuxMousePath(own), own);
    }

    EXPECT_TRUE(IsHidCollectionOrUsbInterface("HID\\VID_1A2B&PID_3C4D&MI_01&COL02\\8&2&0&0001"));
    EXPECT_TRUE(IsHidCollectionOrUsbInterface("usb\\vid_1a2b&pid_3c4d&mi_01\\7&1a&0&0001"));
    EXPECT_FALSE(IsHidCollectionOrUsbInterface("USB\\VID_1A2B&PID_3C4D\\5&3B&0&2"));
    EXPECT_FALSE(IsHidCollectionOrUsbInterface("ROOT\\VID_1209&PID_7A52\\0000"));
    EXPECT_FALSE(IsHidCollectionOrUsbInterface("USB\\ROOT_HUB30\\4&1"));
}

}  // namespace
}  // namespace talun::hiddriver
