// An update run against a scripted mouse: the order of what the front end is
// told, what goes out, and when the run may say "updated".
#include <gtest/gtest.h>

#include "Fakes.h"
#include "update/UpdateRun.h"

namespace talun {
namespace {

using testing::CoreFixture;

std::vector<uint8_t> WrittenIds(const testing::ScriptedDevice& device) {
    std::vector<uint8_t> ids;
    for (const auto& w : device.Writes()) ids.push_back(w.bytes[0]);
    return ids;
}

const std::vector<uint8_t> kEveryReport = {0x2A, 0x2A, 0x2A, 0x05, 0x06, 0x07, 0x08};

TEST(UpdateRun, AllAcknowledged) {
    CoreFixture f;
    EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::Updated);
    EXPECT_EQ(WrittenIds(f.device), kEveryReport);
    EXPECT_EQ(f.clock.sleeps, (std::vector<uint32_t>{1000, 500, 1000, 1000, 300, 200, 300, 100}));
    const std::vector<std::string> expected = {"refresh",
                                               "cursor on",
                                               "status Updating",
                                               "start firmware part 1 of 3",
                                               "end firmware part 1 of 3: acknowledged",
                                               "start firmware part 2 of 3",
                                               "end firmware part 2 of 3: acknowledged",
                                               "start firmware part 3 of 3",
                                               "end firmware part 3 of 3: acknowledged",
                                               "start profile",
                                               "end profile: acknowledged",
                                               "start main settings",
                                               "end main settings: acknowledged",
                                               "start button map",
                                               "end button map: acknowledged",
                                               "start on-the-go speed",
                                               "end on-the-go speed: acknowledged",
                                               "status Updated",
                                               "cursor off",
                                               "refresh"};
    EXPECT_EQ(f.observer.events, expected);
}

TEST(UpdateRun, AbsentMouseTriesEachWriteOnceAndNeverWaits) {
    CoreFixture f;
    f.device.faults.RefuseEveryWrite();
    EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::NotUpdated);
    EXPECT_EQ(WrittenIds(f.device), (std::vector<uint8_t>{0x2A, 0x05, 0x06, 0x07, 0x08}));
    EXPECT_EQ(f.device.StatusReads(), 0);
    EXPECT_TRUE(f.clock.sleeps.empty());
}

TEST(UpdateRun, RefusedSecondChunkStopsTheTransferButNotTheRestore) {
    CoreFixture f;
    f.device.statuses = {1};  // chunk 1 Done
    f.device.faults.RefuseWrite(REPORT_FIRMWARE_CHUNK, 2);
    EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::NotUpdated);
    // Chunk 3 must not follow a refused chunk 2: it would land on a partial image.
    EXPECT_EQ(WrittenIds(f.device), (std::vector<uint8_t>{0x2A, 0x2A, 0x05, 0x06, 0x07, 0x08}));
}

TEST(UpdateRun, UnacknowledgedChunkStopsTheTransfer) {
    CoreFixture f;
    f.device.statuses = {2};  // chunk 1 answered with an error
    EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::NotUpdated);
    EXPECT_EQ(WrittenIds(f.device), (std::vector<uint8_t>{0x2A, 0x05, 0x06, 0x07, 0x08}));
}

TEST(UpdateRun, FailedFirmwareIsNeverReportedAsUpdated) {
    CoreFixture f;
    f.device.faults.RefuseWrite(REPORT_FIRMWARE_CHUNK);  // settings all acknowledged
    EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::NotUpdated);
}

TEST(UpdateRun, EverySettingsReportMustBeAcknowledged) {
    for (uint8_t id : {0x05, 0x06, 0x07}) {
        CoreFixture f;
        f.device.faults.RefuseWrite(id);
        EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::NotUpdated) << int(id);
        EXPECT_EQ(WrittenIds(f.device), kEveryReport) << int(id);
    }
}

TEST(UpdateRun, LastReportBusyForeverIsNotUpdated) {
    CoreFixture f;
    f.device.statuses = {1, 1, 1, 1, 1, 1};
    f.device.defaultStatus = static_cast<int>(AckStatus::Busy);
    EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::NotUpdated);
    EXPECT_EQ(f.device.StatusReads(), 6 + 10);
}

TEST(UpdateRun, TwoRunsSendEverythingTwice) {
    CoreFixture f;
    RunUpdate(f.ctx);
    const auto first = f.device.Writes();
    f.device.calls.clear();
    RunUpdate(f.ctx);
    const auto second = f.device.Writes();
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(first[i].bytes, second[i].bytes);
}

}  // namespace
}  // namespace talun

namespace talun {
namespace {

TEST(UpdateRun, RefusedFirmwareTouchesNothing) {
    testing::CoreFixture f;
    f.state.firmwareRefusal = FirmwareRefusal(FirmwareImage::BuiltIn(), false);
    ASSERT_FALSE(f.state.firmwareRefusal.empty());
    EXPECT_EQ(RunUpdate(f.ctx), UpdateStatus::NotUpdated);
    EXPECT_TRUE(f.device.calls.empty());
    EXPECT_EQ(f.observer.events.back(), "refresh");
    EXPECT_TRUE(FirmwareRefusal(FirmwareImage::BuiltIn(), true).empty());
    EXPECT_TRUE(
        FirmwareRefusal(*FirmwareImage::FromImage(std::vector<uint8_t>(3068, 1)), false).empty());
}

}  // namespace
}  // namespace talun
