// The driver front over a scripted backend: what every real driver library does
// around its platform's work, without a device.
#include "driver/front/DeviceDriver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>

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
    std::vector<std::vector<uint8_t>> written;
    std::vector<uint8_t> answer;  // what a read fills the buffer with
    bool failTransfers = false;
    bool throwOnEnumerate = false;
};

class ScriptedChannel final : public FeatureChannel {
  public:
    explicit ScriptedChannel(Script& script) : script_(script) {}
    std::size_t PlatformBufferLength(uint8_t) const override { return script_.bufferLength; }
    bool PlatformTransfer(bool write, std::vector<uint8_t>& buffer, std::string& reason) override {
        if (script_.failTransfers) {
            reason = "the device went away";
            return false;
        }
        if (write) script_.written.push_back(buffer);
        if (!write) std::copy(script_.answer.begin(), script_.answer.end(), buffer.begin());
        return true;
    }

  private:
    Script& script_;
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
    std::unique_ptr<FeatureChannel> PlatformOpen(const HidCandidate&, std::string&) override {
        return std::make_unique<ScriptedChannel>(script_);
    }
    std::string PlatformCheckWindow(HidWindow) const override { return {}; }
    std::unique_ptr<PlugMonitor> PlatformStartMonitor(const DriverConfig&, HidWindow, unsigned,
                                                      std::string&, std::string&) override {
        return std::make_unique<PlugMonitor>();
    }
    Script& script_;
};

class DeviceDriverTest : public ::testing::Test {
  protected:
    DeviceDriverTest() {
        std::ofstream(dir_.File("hiddriver.ini")) << "[Device]\nVendorId=7e57\nProductId=0001\n";
        script_.candidates.push_back({0x7E57, 0x0001, 0xFF00, 1, 1, 64, "mouse", "scripted:4"});
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

}  // namespace
}  // namespace talun::hiddriver
