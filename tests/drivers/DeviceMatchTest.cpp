// Choosing the mouse's feature collection, reading identifiers from device
// paths, and turning interface arrivals into single plug events.
#include "driver/common/DeviceMatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

namespace talun::hiddriver {
namespace {

using ::testing::HasSubstr;

HidCandidate Collection(uint16_t vid, uint16_t pid, uint16_t page, uint16_t usage,
                        std::size_t feature, std::optional<int> interfaceNumber = std::nullopt) {
    HidCandidate c;
    c.vendorId = vid;
    c.productId = pid;
    c.usagePage = page;
    c.usage = usage;
    c.featureReportByteLength = feature;
    c.interfaceNumber = interfaceNumber;
    c.path = "path-" + std::to_string(page) + "-" + std::to_string(usage);
    return c;
}

DriverConfig Mouse() {
    DriverConfig config;
    config.vendorId = 0x1234;
    config.productId = 0x5678;
    return config;
}

// A mouse with the collections a gaming mouse typically has: the pointer, a
// keyboard for macros, a short vendor collection and the long one for firmware.
std::vector<HidCandidate> TypicalMouse() {
    return {
        Collection(0x1111, 0x2222, 0xFF00, 1, 1034),   // another device
        Collection(0x1234, 0x5678, 0x0001, 2, 0, 0),   // pointer: no feature reports
        Collection(0x1234, 0x5678, 0x0001, 6, 0, 1),   // keyboard
        Collection(0x1234, 0x5678, 0xFF01, 1, 65, 1),  // short vendor reports
        Collection(0x1234, 0x5678, 0xFF00, 1, 1034, 1),
    };
}

TEST(SelectFeatureDevice, PrefersTheCollectionLongEnoughForAFirmwareChunk) {
    const Selection s = SelectFeatureDevice(Mouse(), TypicalMouse());
    ASSERT_TRUE(s.index) << s.error;
    EXPECT_EQ(*s.index, 4u);
}

TEST(SelectFeatureDevice, FallsBackToTheLongestFeatureCollection) {
    auto candidates = TypicalMouse();
    candidates[4].featureReportByteLength = 130;
    const Selection s = SelectFeatureDevice(Mouse(), candidates);
    ASSERT_TRUE(s.index);
    EXPECT_EQ(*s.index, 4u);

    candidates.pop_back();
    const Selection shorter = SelectFeatureDevice(Mouse(), candidates);
    ASSERT_TRUE(shorter.index);
    EXPECT_EQ(*shorter.index, 3u);
}

TEST(SelectFeatureDevice, HonoursUsagePageUsageAndInterface) {
    DriverConfig config = Mouse();
    config.usagePage = 0xFF01;
    Selection s = SelectFeatureDevice(config, TypicalMouse());
    ASSERT_TRUE(s.index);
    EXPECT_EQ(*s.index, 3u);

    config = Mouse();
    config.usage = 2;  // only the pointer has it, and it carries no feature reports
    s = SelectFeatureDevice(config, TypicalMouse());
    EXPECT_FALSE(s.index);
    EXPECT_THAT(s.error, HasSubstr("4 HID collection(s) of 1234:5678 present"));

    config = Mouse();
    config.interfaceNumber = 0;
    EXPECT_FALSE(SelectFeatureDevice(config, TypicalMouse()).index);
    config.interfaceNumber = 1;
    EXPECT_EQ(SelectFeatureDevice(config, TypicalMouse()).index, 4u);
}

TEST(SelectFeatureDevice, NoMouseSaysSo) {
    const Selection s = SelectFeatureDevice(Mouse(), {Collection(0x1234, 0x9999, 0xFF00, 1, 1034)});
    EXPECT_FALSE(s.index);
    EXPECT_THAT(s.error, HasSubstr("no HID device 1234:5678 present"));
    EXPECT_FALSE(SelectFeatureDevice(Mouse(), {}).index);
}

TEST(DevicePaths, WindowsInterfacePathsInAnyCase) {
    auto ids = ParseWindowsInterfacePath(
        "\\\\?\\hid#vid_046d&pid_c52b&mi_02&col03#8&2a1b3c&0&0002#{4d1e55b2-f16f-11cf-88cb-"
        "001111000030}");
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->vendorId, 0x046D);
    EXPECT_EQ(ids->productId, 0xC52B);
    EXPECT_EQ(ids->interfaceNumber, 2);

    ids = ParseWindowsInterfacePath(
        "\\\\?\\HID#VID_ABCD&PID_00EF#7&1&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}");
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->vendorId, 0xABCD);
    EXPECT_EQ(ids->productId, 0x00EF);
    EXPECT_FALSE(ids->interfaceNumber);

    EXPECT_FALSE(ParseWindowsInterfacePath("\\\\?\\hid#vid_04&pid_c52b#1"));
    EXPECT_FALSE(ParseWindowsInterfacePath("\\\\?\\hid#vid_zzzz&pid_c52b#1"));
    EXPECT_FALSE(ParseWindowsInterfacePath("\\\\?\\root#system#0000"));
}

TEST(DevicePaths, LinuxSysfsPathsOfHidrawNodes) {
    const auto ids = ParseLinuxHidSysPath(
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:046D:C52B.0007/hidraw/hidraw3");
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->vendorId, 0x046D);
    EXPECT_EQ(ids->productId, 0xC52B);

    EXPECT_FALSE(ParseLinuxHidSysPath("/sys/devices/virtual/misc/uhid"));
    EXPECT_FALSE(ParseLinuxHidSysPath("/sys/devices/0003:046D:C52B/hidraw/hidraw3"));
    EXPECT_FALSE(ParseLinuxHidSysPath(""));
}

TEST(DevicePaths, MatchingTheMouseByIdentifiersAndInterface) {
    DriverConfig config = Mouse();
    EXPECT_TRUE(MatchesMouse(config, {0x1234, 0x5678, std::nullopt}));
    EXPECT_TRUE(MatchesMouse(config, {0x1234, 0x5678, 3}));
    EXPECT_FALSE(MatchesMouse(config, {0x1234, 0x5679, std::nullopt}));
    EXPECT_FALSE(MatchesMouse(config, {0x1235, 0x5678, std::nullopt}));
    config.interfaceNumber = 1;
    EXPECT_TRUE(MatchesMouse(config, {0x1234, 0x5678, 1}));
    EXPECT_FALSE(MatchesMouse(config, {0x1234, 0x5678, 2}));
    EXPECT_TRUE(MatchesMouse(config, {0x1234, 0x5678, std::nullopt}));  // path without "mi_"
}

TEST(DevicePaths, AnUnconfiguredMouseMatchesNothingNotEvenZeroIdentifiers) {
    const DriverConfig unconfigured;
    EXPECT_FALSE(MatchesMouse(unconfigured, {0, 0, std::nullopt}));
    EXPECT_FALSE(SelectFeatureDevice(unconfigured, {Collection(0, 0, 0xFF00, 1, 1034)}).index);
}

TEST(DeviceList, OneLinePerCollectionWholeLinesOnly) {
    HidCandidate c = Collection(0x046D, 0xC52B, 0xFF00, 1, 1034, 2);
    c.product = "Talun \"R5\"\n";
    c.path = "/dev/hidraw3";
    EXPECT_EQ(FormatDeviceLine(c), "046d:c52b ff00:0001 1034 \"Talun 'R5''\" /dev/hidraw3");

    const std::vector<HidCandidate> two = {c, c};
    const std::size_t line = FormatDeviceLine(c).size() + 1;
    char text[256];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(WriteDeviceList(two, text, sizeof text), 2);
    EXPECT_EQ(std::strlen(text), 2 * line);

    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(WriteDeviceList(two, text, static_cast<int>(2 * line)), 1);  // no room for the NUL
    EXPECT_EQ(std::strlen(text), line);
    EXPECT_EQ(text[line + 1], 'x');

    EXPECT_EQ(WriteDeviceList(two, text, 1), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(WriteDeviceList({}, text, sizeof text), 0);
    EXPECT_EQ(WriteDeviceList(two, nullptr, 100), -1);
    EXPECT_EQ(WriteDeviceList(two, text, 0), -1);
}

}  // namespace
}  // namespace talun::hiddriver
