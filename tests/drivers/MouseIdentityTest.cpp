// The identity text of a mouse, and a Linux USB device's port chain and serial
// read from a sysfs-like folder tree.
#include "driver/common/MouseIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/ScratchDir.h"

namespace talun::hiddriver {
namespace {

TEST(MouseIdentity, EveryValueStaysOnItsLineAndEmptyOnesAreLeftOut) {
    EXPECT_EQ(FormatMouseIdentity({"1-1.4", "AB12", "/sys/x/1-1.4"}),
              "port=1-1.4\nserial=AB12\npath=/sys/x/1-1.4\n");
    EXPECT_EQ(FormatMouseIdentity({"", "A\nport=9-9\r", "p"}), "serial=A?port=9-9?\npath=p\n");
    EXPECT_EQ(FormatMouseIdentity({}), "");
}

// sysfs is Linux's: its paths are the Linux library's alone.
#ifndef _WIN32
class LinuxUsbIdentityTest : public ::testing::Test {
  protected:
    std::string Device(const std::string& name, const char* serial) {
        const auto dir = scratch_.Path() / "usb1" / name;
        std::filesystem::create_directories(dir);
        if (serial != nullptr) std::ofstream(dir / "serial", std::ios::binary) << serial;
        return dir.string();
    }
    test::ScratchDir scratch_{"sysfs"};
};

TEST_F(LinuxUsbIdentityTest, PortChainFromTheDeviceFolderAndSerialFromItsAttribute) {
    const std::string hub = Device("1-1.4", "R5-000123\n");
    EXPECT_EQ(FormatMouseIdentity(LinuxUsbIdentity(hub)),
              "port=1-1.4\nserial=R5-000123\npath=" + hub + "\n");
    const MouseIdentity direct = LinuxUsbIdentity(Device("3-2", nullptr));
    EXPECT_EQ(direct.port, "3-2");
    EXPECT_EQ(direct.serial, "") << "a mouse without a serial string";
    EXPECT_EQ(LinuxUsbIdentity(Device("2-1.3.7", "x")).port, "2-1.3.7");
    EXPECT_EQ(LinuxUsbIdentity(Device("1-2", std::string(300, 'S').c_str())).serial.size(), 126u);
}

TEST_F(LinuxUsbIdentityTest, APathOfAnotherShapeHasNoPortAndNoSerial) {
    for (const char* name : {"usb1", "0005:046D:B00D.0003", "1-2:1.0", "-1", "1-", "1-.2", "a-1"}) {
        const MouseIdentity identity = LinuxUsbIdentity(Device(name, "S"));
        EXPECT_EQ(identity.port, "") << name;
        EXPECT_EQ(identity.serial, "") << name;
        EXPECT_FALSE(identity.path.empty());
    }
}
#endif

}  // namespace
}  // namespace talun::hiddriver
