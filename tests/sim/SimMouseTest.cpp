// The simulated mouse's model: its checks, its status report, commits, faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "driver/sim/SimDeviceAccess.h"
#include "driver/sim/SimMouse.h"
#include "tests/sim/Reports.h"

namespace talun::sim {
namespace {

using namespace test;
using ::testing::ElementsAre;

class FakeClock final : public Clock {
  public:
    void Sleep(uint32_t ms) override { now += ms; }
    uint64_t NowMs() const override { return now; }
    uint64_t now = 1000;
};

class SimMouseTest : public ::testing::Test {
  protected:
    SimMouseTest() : mouse(clock) { mouse.OpenFeatureDevice(); }

    int Write(Bytes r) { return mouse.SetFeature(r.data(), static_cast<int>(r.size())); }
    // Byte 1 of the status report, or -1 when the read fails.
    int Status() {
        uint8_t b[3] = {0x04, 0, 0};
        return mouse.GetFeature(b, 3) ? b[1] : -1;
    }
    // Write, then read the status once.
    int WriteAndAck(const Bytes& r) { return Write(r) ? Status() : -1; }
    void SendDefaults(uint8_t breathing) {
        for (const Bytes& r : {Profile(), MainSettings(breathing), ButtonMap(), OtgSpeed()})
            ASSERT_EQ(WriteAndAck(r), 1);
    }
    void SendImage() {
        for (int n = 1; n <= 3; ++n) ASSERT_EQ(WriteAndAck(Chunk(n)), 1) << "chunk " << n;
    }

    FakeClock clock;
    SimMouse mouse;
};

TEST_F(SimMouseTest, KnowsTheDefaultReportsAndHoldsThemOnceAcknowledged) {
    EXPECT_EQ(SimMouse::DefaultButtonMapReport(), ButtonMap());
    EXPECT_EQ(SimMouse::DefaultMainSettingsReport(4), MainSettings(4));
    EXPECT_FALSE(mouse.HoldsDefaultSettings(2));
    SendDefaults(2);
    EXPECT_TRUE(mouse.HoldsDefaultSettings(2));
    EXPECT_FALSE(mouse.HoldsDefaultSettings(4));
    EXPECT_THAT(mouse.ButtonCodes(0),
                ElementsAre(1, 2, 3, 7, 8, 14, 15, 32, 31, 0, 0, 0, 0, 9, 10));

    SendImage();
    EXPECT_TRUE(mouse.HoldsCompleteImage(Block()));
    Bytes other = Block();
    other[5] ^= 1;
    EXPECT_FALSE(mouse.HoldsCompleteImage(other));
}

TEST_F(SimMouseTest, RejectsMalformedReportsWithAnErrorStatusAndStoresNothing) {
    Bytes badSum = ButtonMap();
    badSum[48] ^= 1;
    Bytes badChunkSum = Chunk(1);
    badChunkSum[1032] ^= 1;
    Bytes paddedEntry = ButtonMap();  // a plain button with a nonzero byte after its code
    paddedEntry[4] = 1;
    Resum(paddedEntry, 48);
    Bytes chunkHeader = Chunk(1);
    chunkHeader[5] = 1;
    Resum(chunkHeader, 1032);
    Bytes macroTail(130, 0);  // a macro with one entry and a stray byte after it
    macroTail[0] = 0x09, macroTail[1] = 0x82, macroTail[29] = 1, macroTail[40] = 1;
    Bytes wrongByte1 = Profile();
    wrongByte1[1] = 4;
    Bytes wrongIndexCode = MainSettings(2);
    wrongIndexCode[36] = 5;
    Bytes shortMain = MainSettings(2);
    shortMain.resize(35);

    for (const Bytes& r : {badSum, badChunkSum, paddedEntry, chunkHeader, macroTail, wrongByte1,
                           wrongIndexCode, Bytes{0x05, 0x03, 0x00, 0x00}, Bytes{0x11, 0x03, 0x00},
                           Bytes{0x04, 0x05, 0x10}, shortMain}) {
        EXPECT_EQ(Write(r), 1) << "the library passes the report on";
        EXPECT_EQ(Status(), 2) << "report " << int(r[0]) << " length " << r.size();
        EXPECT_EQ(Status(), 2) << "the error stays";
    }
    for (uint8_t id : {0x04, 0x05, 0x06, 0x07, 0x09, 0x2A, 0x11}) EXPECT_EQ(mouse.Commits(id), 0);
    EXPECT_TRUE(mouse.ButtonMap(0).empty());
}

TEST_F(SimMouseTest, TakesMacroButtonsAndMacrosInTheTestCommandsForm) {
    Bytes map(50, 0);  // "ABCD(1 Times)" with an all-zero table: entry 1 is 10 02 01
    map[0] = 0x07, map[1] = 0x32, map[6] = 0x10, map[7] = 0x02, map[8] = 0x01;
    map[48] = 0x4C;
    EXPECT_EQ(WriteAndAck(map), 1);
    Bytes macro(130, 0);  // "AB (2 Times)", profile 3, button 2
    const Bytes head = {0x09, 0x82, 0x03, 0x02, 0x02, 0x41, 0x41};
    std::copy(head.begin(), head.end(), macro.begin());
    macro[29] = 4;
    const Bytes entries = {0x04, 0x00, 0x04, 0x80, 0x05, 0x00, 0x05, 0x80};
    std::copy(entries.begin(), entries.end(), macro.begin() + 30);
    EXPECT_EQ(WriteAndAck(macro), 1);
    EXPECT_EQ(mouse.Macro(3, 2), macro);
    EXPECT_EQ(mouse.ButtonCodes(0)[1], 0x10);
}

TEST_F(SimMouseTest, FirmwareChunksMustFollowTheLastCommittedOne) {
    EXPECT_EQ(WriteAndAck(Chunk(2)), 2) << "no chunk 1 yet";
    EXPECT_EQ(WriteAndAck(Chunk(1)), 1);
    EXPECT_EQ(WriteAndAck(Chunk(3)), 2) << "chunk 2 skipped";
    EXPECT_EQ(Write(Chunk(2)), 1);  // written but never acknowledged ...
    EXPECT_EQ(WriteAndAck(Chunk(3)), 2) << "... so chunk 3 is out of order";
    EXPECT_FALSE(mouse.HoldsSomeCompleteImage());

    SendImage();
    EXPECT_TRUE(mouse.HoldsCompleteImage(Block()));
    EXPECT_EQ(WriteAndAck(Chunk(1)), 1) << "chunk 1 starts a new image";
    EXPECT_FALSE(mouse.HoldsSomeCompleteImage());
    EXPECT_EQ(mouse.FirmwareBlock().size(), 1024u);

    Bytes noTrailer = Block();
    noTrailer[3069] = 0;
    EXPECT_EQ(WriteAndAck(Chunk(2, noTrailer)), 1);
    EXPECT_EQ(WriteAndAck(Chunk(3, noTrailer)), 2) << "the trailer is checked";
    Bytes tail = Chunk(3);
    tail[1031] = 1;
    Resum(tail, 1032);
    EXPECT_EQ(WriteAndAck(tail), 2) << "bytes after chunk 3's payload are zero";
}

TEST_F(SimMouseTest, AReportTakesEffectOnlyWhenItsDoneStatusIsRead) {
    EXPECT_EQ(Status(), 1) << "an idle mouse answers Done";
    EXPECT_EQ(Write(Profile(3)), 1);
    EXPECT_EQ(mouse.CurrentProfile(), 0);
    EXPECT_EQ(Write(Profile(4)), 1);  // the host never read the first one's status
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(mouse.CurrentProfile(), 4);
    EXPECT_EQ(mouse.Commits(0x05), 1);
    EXPECT_EQ(Status(), 1) << "reading Done again commits nothing more";
    EXPECT_EQ(mouse.Commits(0x05), 1);

    Write(Profile(2));
    mouse.SetPresent(false);  // unplugged before the acknowledgement
    mouse.SetPresent(true);
    mouse.OpenFeatureDevice();
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(mouse.CurrentProfile(), 4) << "the unacknowledged write was lost";
}

TEST_F(SimMouseTest, AnswersBusyAsPlannedThenItsFinalStatus) {
    mouse.Faults().busyPolls[0x08] = 2;
    mouse.Faults().finalStatus[0x06] = 2;
    mouse.Faults().finalStatus[0x05] = 3;
    Write(OtgSpeed());
    EXPECT_EQ(Status(), 3);
    EXPECT_EQ(Status(), 3);
    EXPECT_EQ(mouse.Commits(0x08), 0);
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(mouse.Commits(0x08), 1);
    Write(OtgSpeed());
    EXPECT_EQ(Status(), 3) << "the busy polls start again with every write";

    EXPECT_EQ(WriteAndAck(MainSettings(2)), 2);
    EXPECT_TRUE(mouse.MainSettings(0).empty());
    Write(Profile());
    for (int i = 0; i < 20; ++i) ASSERT_EQ(Status(), 3);
    EXPECT_TRUE(mouse.ProfileReport().empty());
}

TEST_F(SimMouseTest, RefusesWritesByOccurrence) {
    mouse.Faults().refusedWrites = {{0x2A, 2}, {0x05, 0}};
    EXPECT_EQ(WriteAndAck(Chunk(1)), 1);
    EXPECT_EQ(Write(Chunk(2)), 0);
    EXPECT_EQ(WriteAndAck(Chunk(3)), 2) << "chunk 2 never reached the mouse";
    EXPECT_EQ(Write(Profile()), 0);
    EXPECT_EQ(Write(Profile()), 0);
    EXPECT_EQ(mouse.SetCalls(0x05), 2);
    EXPECT_EQ(mouse.AcceptedWrites(0x05), 0);
    EXPECT_EQ(mouse.AcceptedWrites(0x2A), 2);
}

TEST_F(SimMouseTest, FailsPlannedReadsWithoutUsingUpABusyPoll) {
    mouse.Faults().failedReads = {2, 3};
    mouse.Faults().busyPolls[0x05] = 1;
    Write(Profile(1));
    EXPECT_EQ(Status(), 3);
    uint8_t b[3] = {0x04, 0xEE, 0xEE};
    EXPECT_EQ(mouse.GetFeature(b, 3), 0);
    EXPECT_THAT(b, ElementsAre(0x04, 0xEE, 0xEE)) << "a failed read leaves the buffer alone";
    EXPECT_EQ(Status(), -1);
    EXPECT_EQ(Status(), 1);
    EXPECT_EQ(mouse.CurrentProfile(), 1);
}

TEST_F(SimMouseTest, DisappearsAfterThePlannedNumberOfWrites) {
    mouse.Faults().unplugAfterWrites = 2;
    EXPECT_EQ(WriteAndAck(Chunk(1)), 1);
    EXPECT_EQ(Write(Chunk(2)), 1);
    EXPECT_FALSE(mouse.IsPresent());
    EXPECT_EQ(Status(), -1);
    EXPECT_EQ(Write(Chunk(3)), 0);
    EXPECT_EQ(mouse.OpenFeatureDevice(), 0);
    EXPECT_EQ(mouse.Faults().unplugAfterWrites, -1);

    mouse.SetPresent(true);
    EXPECT_EQ(Write(Chunk(2)), 0) << "plugged back, the channel must be opened again";
    EXPECT_EQ(mouse.OpenFeatureDevice(), 1);
    EXPECT_EQ(WriteAndAck(Chunk(2)), 1) << "chunk 1 was committed before the unplug";
}

TEST_F(SimMouseTest, AnAbsentMouseAnswersNothing) {
    SimMouse absent(clock, FaultPlan{true, {}, {}, {}, {}, -1});
    absent.SetPresent(true);
    EXPECT_FALSE(absent.IsPresent());
    EXPECT_EQ(absent.OpenFeatureDevice(), 0);
    Bytes r = Profile();
    EXPECT_EQ(absent.SetFeature(r.data(), 3), 0);
    uint8_t b[3] = {0x04, 0, 0};
    EXPECT_EQ(absent.GetFeature(b, 3), 0);

    mouse.CloseFeatureDevice();
    EXPECT_EQ(Write(Profile()), 0) << "a closed channel moves nothing";
    EXPECT_EQ(Status(), -1);
}

TEST_F(SimMouseTest, ReadsBackMainSettingsAndMacrosAfterARequest) {
    Bytes p2 = MainSettings(4);
    p2[2] = 2, p2[36] = 1;  // profile 2 carries index code 1
    ASSERT_EQ(WriteAndAck(p2), 1);
    ASSERT_EQ(WriteAndAck({0x04, 0x02, 0x10}), 1);
    Bytes reply(35, 0);
    reply[0] = 0x06;
    ASSERT_EQ(mouse.GetFeature(reply.data(), 35), 1);
    Bytes expected(p2.begin(), p2.begin() + 35);
    expected[1] = 35;
    EXPECT_EQ(reply, expected);

    ASSERT_EQ(WriteAndAck({0x04, 0x01, 0x0E}), 1);  // profile 1, button 14: nothing stored
    Bytes macro(130, 0);
    macro[0] = 0x09;
    ASSERT_EQ(mouse.GetFeature(macro.data(), 130), 1);
    EXPECT_THAT(Bytes(macro.begin(), macro.begin() + 5), ElementsAre(0x09, 0x82, 0x01, 0x0E, 0x00));

    Bytes wrongLength(37, 0);
    wrongLength[0] = 0x06;
    EXPECT_EQ(mouse.GetFeature(wrongLength.data(), 37), 0);
}

TEST_F(SimMouseTest, TracesEveryTransfer) {
    mouse.Faults().refusedWrites = {{0x05, 2}};
    Write(Profile());
    clock.now += 300;
    Status();
    Write(Profile());
    const auto& t = mouse.Trace();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0].timeMs, 1000u);
    EXPECT_EQ(t[0].direction, TraceEntry::Set);
    EXPECT_EQ(t[0].bytes, Profile());
    EXPECT_EQ(t[1].timeMs, 1300u);
    EXPECT_EQ(t[1].direction, TraceEntry::Get);
    EXPECT_EQ(t[1].result, 1);
    EXPECT_THAT(t[1].bytes, ElementsAre(0x04, 0x01, 0x05)) << "as returned";
    EXPECT_EQ(t[2].result, 0);
    EXPECT_EQ(t[2].length, 3);
}

struct RecordingSink : HidEventSink {
    RecordingSink() { post = &Record; }
    static void Record(HidEventSink* self, unsigned m, uintptr_t w, intptr_t l) {
        static_cast<RecordingSink*>(self)->events.push_back({m, w, l});
    }
    std::vector<std::tuple<unsigned, uintptr_t, intptr_t>> events;
};

TEST_F(SimMouseTest, InProcessMonitorDeliversPresenceChangesToTheSink) {
    SimDeviceAccess access(mouse);
    RecordingSink sink;
    EXPECT_FALSE(access.Unplug()) << "monitor not open";
    access.OpenDevMonitor(&sink, 1325, 1326);
    EXPECT_TRUE(access.Plug());
    EXPECT_FALSE(access.Plug()) << "already there";
    EXPECT_EQ(access.OpenFeatureDevice(), 1);
    mouse.Faults().unplugAfterWrites = mouse.TotalAcceptedWrites() + 1;
    Bytes r = Profile();
    access.SetFeature(r.data(), 3);
    EXPECT_TRUE(access.PollPresence());
    EXPECT_TRUE(access.DeliverButton(5));
    access.CloseDevMonitor();
    EXPECT_FALSE(access.Plug());
    using E = std::tuple<unsigned, uintptr_t, intptr_t>;
    EXPECT_THAT(sink.events, ElementsAre(E{1326, 1, 0}, E{1326, 0, 0}, E{1325, 0xE000, 5}));
}

}  // namespace
}  // namespace talun::sim
