// The built driver library as the tool meets it, on a machine without a Talun R5:
// no device opens and every transfer fails with result 0 and a reason, and the
// device monitor opens and closes any number of times without leaving anything
// behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <regex>
#include <sstream>
#include <vector>

#include "tests/drivers/DriverLibraryFixture.h"
#include "tests/drivers/ProcessResources.h"
#include "tests/support/FileText.h"

namespace talun::hiddriver::test {
namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;

constexpr unsigned INPUT_MESSAGE = WM_HID_INPUT_EVENT;
constexpr unsigned PLUG_MESSAGE = WM_HID_PLUG_EVENT;
constexpr int TOOL_LENGTHS[] = {3, 6, 35, 37, 50, 130, 1034};

// Identifiers that no device in a test machine has.
const std::string ABSENT_MOUSE = IniFor("7e57", "0001");

TEST(DriverLibrary, ShippedIniHoldsMarkedPlaceholdersAndConfiguresNoDevice) {
    EXPECT_THAT(talun::test::ReadFileText(BuiltLibraryDirectory() / "hiddriver.ini").value_or(""),
                HasSubstr("PLACEHOLDER - replace with the mouse's real identifiers"));

    DriverCopy driver(DriverCopy::SHIPPED);
    EXPECT_EQ(driver.Open_FeatureDevice(), 0);
    EXPECT_THAT(driver.LastError(), HasSubstr("placeholder"));
}

TEST(DriverLibrary, WithoutIniNothingOpensAndTheReasonNamesTheFile) {
    DriverCopy driver(std::nullopt);
    EXPECT_EQ(driver.Open_FeatureDevice(), 0);
    EXPECT_THAT(driver.LastError(), HasSubstr("hiddriver.ini"));
    EXPECT_THAT(driver.LastError(), HasSubstr("no device configured"));
}

TEST(DriverLibrary, AbsentMouseFailsEveryTransferCleanly) {
    DriverCopy driver(ABSENT_MOUSE);
    EXPECT_EQ(driver.Open_FeatureDevice(), 0);
    EXPECT_THAT(driver.LastError(), HasSubstr("no HID device 7e57:0001 present"));

    for (const int length : TOOL_LENGTHS) {
        std::vector<unsigned char> report(static_cast<std::size_t>(length) + 4, 0xA5);
        report[0] = 0x04;
        const std::vector<unsigned char> before = report;
        EXPECT_EQ(driver.SetFeature(report.data(), length), 0) << length;
        EXPECT_THAT(driver.LastError(), HasSubstr("SetFeature: the feature device is not open"));
        EXPECT_EQ(driver.GetFeature(report.data(), length), 0) << length;
        EXPECT_THAT(driver.LastError(), HasSubstr("GetFeature: the feature device is not open"));
        EXPECT_EQ(report, before) << "a failed read changed the buffer at length " << length;
    }
    unsigned char id = 0x04;
    EXPECT_EQ(driver.SetFeature(nullptr, 3), 0);
    EXPECT_THAT(driver.LastError(), HasSubstr("no report buffer"));
    EXPECT_EQ(driver.GetFeature(&id, 0), 0);
    EXPECT_THAT(driver.LastError(), HasSubstr("length 0"));

    driver.Close_FeatureDevice();
    driver.Close_FeatureDevice();
    EXPECT_EQ(driver.Open_FeatureDevice(), 0);  // again after closing
    EXPECT_EQ(driver.SetFeature(&id, 1), 0);
}

// The slot entry points: no mouse, so no slot; without identifiers the library
// cannot tell mice apart and says so.
TEST(DriverLibrary, WithoutAMouseNoSlotHoldsOne) {
    DriverCopy driver(ABSENT_MOUSE);
    const auto list = driver.List_FeatureDeviceSlots;
    const auto open = driver.Open_FeatureDeviceSlot;
    const auto set = driver.SetFeatureSlot;
    int slots[4] = {};
    EXPECT_EQ(list(slots, 4), 0) << driver.LastError();
    EXPECT_EQ(open(0), 0);
    EXPECT_THAT(driver.LastError(), HasSubstr("Open_FeatureDeviceSlot 0: no mouse in this slot"));
    unsigned char report[3] = {0x05, 0x03, 0x00};
    EXPECT_EQ(set(0, report, 3), 0);
    EXPECT_EQ(driver.LastError(), "SetFeatureSlot 0: the feature device is not open");
    driver.Close_FeatureDeviceSlot(0);
    EXPECT_EQ(driver.GetFeatureSlot(0, report, 3), 0);
    char identity[64] = "x";
    EXPECT_EQ(driver.Get_FeatureDeviceSlotIdentity(0, identity, sizeof identity), -1);
    EXPECT_EQ(driver.Get_FeatureDeviceSlotIdentity(0, nullptr, 0), -1);

    DriverCopy placeholder(DriverCopy::SHIPPED);
    EXPECT_EQ(placeholder.List_FeatureDeviceSlots(slots, 4), -1);
    EXPECT_THAT(placeholder.LastError(), HasSubstr("List_FeatureDeviceSlots: "));
}

TEST(DriverLibrary, ListsVisibleDevicesOnePerLine) {
    DriverCopy driver(ABSENT_MOUSE);
    std::vector<char> text(64 * 1024, 'x');
    const int count = driver.List_HidDevices(text.data(), static_cast<int>(text.size()));
    if (count < 0) {
        EXPECT_THAT(driver.LastError(), HasSubstr("List_HidDevices"));
        return;
    }
    const std::regex LINE("[0-9a-f]{4}:[0-9a-f]{4} [0-9a-f]{4}:[0-9a-f]{4} [0-9]+ \".*\" .+");
    std::istringstream lines(text.data());
    std::string line;
    int seen = 0;
    while (std::getline(lines, line)) {
        ++seen;
        EXPECT_TRUE(std::regex_match(line, LINE)) << line;
    }
    EXPECT_EQ(seen, count);
    EXPECT_EQ(driver.List_HidDevices(nullptr, 100), -1);
}

// Where the system shows a HID device (Wine shows a keyboard), the library finds
// it by the identifiers it listed, and opens it when it carries feature reports.
TEST(DriverLibrary, FindsAListedDeviceByItsIdentifiers) {
    std::vector<char> text(64 * 1024);
    if (DriverCopy(ABSENT_MOUSE).List_HidDevices(text.data(), static_cast<int>(text.size())) <= 0) {
        GTEST_SKIP() << "no HID device visible here";
    }
    std::string ids;    // vvvv:pppp
    std::string usage;  // page:usage
    std::size_t featureLength = 0;
    std::istringstream(text.data()) >> ids >> usage >> featureLength;
    DriverCopy driver(
        IniFor(ids.substr(0, 4).c_str(), ids.substr(5, 4).c_str(),
               "UsagePage=" + usage.substr(0, 4) + "\nUsage=" + usage.substr(5, 4) + "\n"));
    if (featureLength > 0) {
        EXPECT_EQ(driver.Open_FeatureDevice(), 1) << driver.LastError();
        driver.Close_FeatureDevice();
    } else {
        EXPECT_EQ(driver.Open_FeatureDevice(), 0);
        EXPECT_THAT(driver.LastError(), HasSubstr("but none with feature reports matches"));
    }
}

TEST(DriverLibrary, MonitorOpensAndClosesRepeatedlyLeavingNothingBehind) {
    DriverCopy driver(ABSENT_MOUSE);
    MonitorTarget target;
    // The first round may load what the system keeps for good (udev, window classes).
    driver.Open_DevMonitor(target.Handle(), INPUT_MESSAGE, PLUG_MESSAGE);
    driver.Close_DevMonitor();
    const ProcessResources before = ProcessResources::Now();

    for (int round = 0; round < 50; ++round) {
        driver.Open_DevMonitor(target.Handle(), INPUT_MESSAGE, PLUG_MESSAGE);
        const std::string error = driver.LastError();
        // Either it watches, or it says why it cannot or will hear nothing (no
        // netlink or no udev daemon in a container).
        EXPECT_THAT(error, AnyOf("", HasSubstr("plug events will not be reported"),
                                 HasSubstr("plug events will not arrive")))
            << round;
        driver.Close_DevMonitor();
    }
    driver.Close_DevMonitor();  // closing twice is harmless
    EXPECT_TRUE(WaitUntil([&] { return ProcessResources::Now() == before; }))
        << "before: " << before.Describe() << ", after: " << ProcessResources::Now().Describe();
    EXPECT_EQ(MonitorWindowCount(), 0);
    EXPECT_EQ(target.Received().size(), 0u);  // no mouse, no plug events
}

TEST(DriverLibrary, MonitorReportsWhyItWatchesForNothing) {
    DriverCopy driver(DriverCopy::SHIPPED);
    MonitorTarget target;
    driver.Open_DevMonitor(target.Handle(), INPUT_MESSAGE, PLUG_MESSAGE);
    EXPECT_THAT(driver.LastError(),
                AnyOf(HasSubstr("watching, but hiddriver.ini still holds the placeholder"),
                      HasSubstr("plug events will not be reported")));
    driver.Open_DevMonitor(target.Handle(), INPUT_MESSAGE, PLUG_MESSAGE);  // reopening replaces it
    EXPECT_LE(MonitorWindowCount(), 1);
    driver.Close_DevMonitor();
    EXPECT_EQ(MonitorWindowCount(), 0);

    driver.Open_DevMonitor(nullptr, INPUT_MESSAGE, PLUG_MESSAGE);
    EXPECT_THAT(driver.LastError(),
                AnyOf(HasSubstr("no window given"), HasSubstr("no event sink given")));
    driver.Close_DevMonitor();
}

TEST(DriverLibrary, CloseWithoutOpenIsHarmless) {
    DriverCopy driver(ABSENT_MOUSE);
    driver.Close_DevMonitor();
    driver.Close_FeatureDevice();
    EXPECT_EQ(driver.LastError(), "");
}

}  // namespace
}  // namespace talun::hiddriver::test
