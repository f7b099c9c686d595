// The acknowledgement wait: how many status reads, which sleeps, which result.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "device/Transport.h"

namespace talun {
namespace {

using testing::FakeClock;
using testing::ScriptedDevice;

constexpr int kBusy = static_cast<int>(AckStatus::Busy);
constexpr int kDone = static_cast<int>(AckStatus::Done);
constexpr int kFailedRead = -1;

struct Wait {
    ScriptedDevice device;
    FakeClock clock;
    int Run(std::initializer_list<int> statuses, uint32_t firstDelay = 300) {
        device.statuses.assign(statuses.begin(), statuses.end());
        return WaitForAcknowledge(device, clock, firstDelay);
    }
};

TEST(WaitForAcknowledge, DoneAtOnce) {
    Wait w;
    EXPECT_EQ(w.Run({kDone}, 1000), 1);
    EXPECT_EQ(w.device.StatusReads(), 1);
    EXPECT_EQ(w.clock.sleeps, (std::vector<uint32_t>{1000}));
}

TEST(WaitForAcknowledge, BusyForeverGivesUpAfterTenReads) {
    Wait w;
    w.device.defaultStatus = kBusy;
    EXPECT_EQ(w.Run({}, 200), 0);
    EXPECT_EQ(w.device.StatusReads(), 10);
    EXPECT_EQ(w.clock.sleeps,
              (std::vector<uint32_t>{200, 1000, 1500, 2000, 2000, 2000, 2000, 2000, 2000, 2000}));
    EXPECT_EQ(w.clock.TotalSlept(), 200u + 16500u);
}

TEST(WaitForAcknowledge, DoneOnTheTenthReadStillCounts) {
    Wait w;
    EXPECT_EQ(w.Run({kBusy, kBusy, kBusy, kBusy, kBusy, kBusy, kBusy, kBusy, kBusy, kDone}), 1);
    EXPECT_EQ(w.device.StatusReads(), 10);
}

TEST(WaitForAcknowledge, FailedReadAfterBusyCountsAsStillBusy) {
    Wait w;
    EXPECT_EQ(w.Run({kBusy, kFailedRead, kDone}, 300), 1);
    EXPECT_EQ(w.device.StatusReads(), 3);
    EXPECT_EQ(w.clock.sleeps, (std::vector<uint32_t>{300, 1000, 1500}));
}

TEST(WaitForAcknowledge, ErrorStatusEndsAtOnce) {
    for (int status : {0, 2, 0x7F}) {
        Wait w;
        EXPECT_EQ(w.Run({status, kDone}), 0) << status;
        EXPECT_EQ(w.device.StatusReads(), 1) << status;
    }
}

TEST(WaitForAcknowledge, FailedFirstReadEndsAtOnce) {
    Wait w;
    EXPECT_EQ(w.Run({kFailedRead, kDone}), 0);
    EXPECT_EQ(w.device.StatusReads(), 1);
}

TEST(WaitForAcknowledge, StatusRequestIsThreeBytesWithId4) {
    Wait w;
    w.Run({kDone});
    ASSERT_EQ(w.device.calls.size(), 1u);
    EXPECT_EQ(w.device.calls[0].bytes, (std::vector<uint8_t>{0x04, 0x00, 0x00}));
}

}  // namespace
}  // namespace talun
