// The trace format read back: every line the tool writes reads as what it said,
// and a line that is not of the format is refused, not half read.
#include <gtest/gtest.h>

#include <sstream>

#include "device/Recording.h"
#include "device/TraceFormat.h"
#include "tests/support/GoldenFiles.h"

namespace talun {
namespace {

// Each line of text, read and written again, is the line itself.
void ExpectReadsBackAsWritten(const std::string& text) {
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        if (IsTraceNote(line)) continue;
        const std::optional<TraceLine> parsed = ParseTraceLine(line);
        ASSERT_TRUE(parsed) << line;
        EXPECT_EQ(FormatTraceLine(*parsed), line);
        ++count;
    }
    EXPECT_GT(count, 0);
}

TEST(TraceFormat, EveryLineOfTheGoldenTracesReadsBackAsWritten) {
    ExpectReadsBackAsWritten(testing::ReadGolden("update-after-plug-in.trace"));
    ExpectReadsBackAsWritten(testing::ReadGolden("test-panel-commands.trace"));
}

TEST(TraceFormat, MonitorLinesAndEventsReadBackAsWritten) {
    ExpectReadsBackAsWritten(
        "      12 OPEN MONITOR input=1325 plug=1326\n"
        "    2040 EVENT PLUG w=1 l=3\n"
        "    2041 EVENT INPUT w=0 l=-1\n"
        "    2042 GET len=35 -> 0 | 06\n"
        "    9200 CLOSE MONITOR\n");
    const auto event = ParseTraceLine("    2040 EVENT PLUG w=1 l=3");
    ASSERT_TRUE(event);
    EXPECT_EQ(event->kind, TraceKind::Event);
    EXPECT_TRUE(event->plug);
    EXPECT_EQ(event->wParam, 1u);
    EXPECT_EQ(event->lParam, 3);
}

TEST(TraceFormat, ALineNotOfTheFormatIsRefused) {
    for (const char* line : {"12 SET len=x -> 1 | 05", "12 SET len=3 -> 1 | 5 03 00",
                             "12 GET len=3 => 1 | 04", "12 EVENT PLUG w=1", "12 EVENT KEY w=1 l=0",
                             "12 OPEN WINDOW", "12 OPEN MONITOR input=1325",
                             "99999999999999999999999 SLEEP 1", "slot 0 12 SLEEP 1", "SLEEP 1"})
        EXPECT_FALSE(ParseTraceLine(line)) << line;
}

TEST(Recording, CallsAndEventsInOrderNotesAndSleepsSkipped) {
    std::string error;
    const auto recording = ParseRecording(std::string(RECORDING_FIRST_LINE) +
                                              "\n# driver library x\n"
                                              "      12 OPEN MONITOR input=1325 plug=1326\n"
                                              "    2040 EVENT PLUG w=1 l=0\n"
                                              "    3544 OPEN DEVICE -> 1\n"
                                              "    3544 SLEEP 1000\n",
                                          error);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(recording->calls.size(), 2u);
    EXPECT_EQ(recording->calls[1].kind, TraceKind::OpenDevice);
    EXPECT_EQ(recording->calls[1].line, 5);
    ASSERT_EQ(recording->events.size(), 1u);
    EXPECT_EQ(recording->events[0].afterCalls, 1u);

    EXPECT_FALSE(ParseRecording("      12 CLOSE DEVICE\n", error));
    EXPECT_NE(error.find("line 1"), std::string::npos);
    EXPECT_FALSE(
        ParseRecording(std::string(RECORDING_FIRST_LINE) + "\nslot 0 12 CLOSE DEVICE\n", error));
    EXPECT_EQ(error, "line 2 is not understood: slot 0 12 CLOSE DEVICE");
}

}  // namespace
}  // namespace talun
