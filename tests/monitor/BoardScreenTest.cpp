// The station board as a person sees it: its state kept from the station's
// events, and the screen drawn for a terminal of a given size.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/BoardScreen.h"
#include "monitor/BoardState.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The screen's lines as they show, without the terminal's sequences.
std::vector<std::string> Visible(const std::string& screen) {
    const std::string plain = std::regex_replace(screen, std::regex("\x1b\\[[0-9;?]*[A-Za-z]"), "");
    std::vector<std::string> lines;
    std::istringstream in(plain);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// Four mice: one updated, one failed, one under way, one unplugged after its update.
monitor::BoardState FourMice() {
    monitor::BoardState state("station-3", "3068 bytes, SHA-256 1a2b3c4d", 0);
    for (int slot = 0; slot < 4; ++slot) {
        state.OnPlugged(slot);
        state.OnUpdating(slot, 7);
    }
    state.OnOutcome(0, true, "");
    state.OnStepStarted(1, "firmware part 2 of 3");
    state.OnOutcome(1, false, "firmware part 2 of 3");
    state.OnStepStarted(2, "firmware part 1 of 3");
    state.OnStepFinished(2);
    state.OnStepStarted(2, "firmware part 2 of 3");
    state.OnOutcome(3, true, "");
    state.OnUnplugged(3);
    state.Name(3, "A4", "SN-0042");
    state.Note("slot 1: mouse 2: FIRMWARE NOT UPDATED.");
    return state;
}

TEST(BoardScreen, ShowsEveryTileTheTallyYieldAndMicePerHour) {
    const uint64_t halfAnHourMs = 1800 * 1000;
    const std::string screen = monitor::RenderBoard(FourMice().Snapshot(halfAnHourMs), {120, 30});
    const std::vector<std::string> lines = Visible(screen);
    const std::string text = Joined(lines);
    EXPECT_THAT(lines[0], HasSubstr("station-3"));
    EXPECT_THAT(lines[0], HasSubstr("3068 bytes, SHA-256 1a2b3c4d"));
    EXPECT_THAT(lines[1],
                HasSubstr("tally: 2 updated, 1 not updated   yield 66 %   6.0 mice per hour"));
    for (const char* word :
         {"slot 0", "UPDATED", "slot 1", "NOT UPDATED", "failed step:", " firmware part 2 of 3 ",
          "slot 2", "UPDATING", "2/7 firmware part 2 of 3", "[##", "A4", "UNPLUGGED",
          "serial SN-0042", "slot 1: mouse 2: FIRMWARE NOT UPDATED."})
        EXPECT_THAT(text, HasSubstr(word));
    EXPECT_THAT(screen, HasSubstr("\x1b[1;97;41m"));  // the failed mouse in red
    EXPECT_THAT(screen, HasSubstr("\x1b[1;97;42m"));  // the updated one in green
    for (const std::string& line : lines) EXPECT_LE(line.size(), 120u) << line;
    EXPECT_LE(lines.size(), 30u);
}

TEST(BoardScreen, ASmallTerminalGetsWhatFitsAndTheCountOfTheRest) {
    const std::vector<std::string> lines =
        Visible(monitor::RenderBoard(FourMice().Snapshot(0), {40, 16}));
    EXPECT_LE(lines.size(), 16u);
    for (const std::string& line : lines) EXPECT_LE(line.size(), 40u) << line;
    EXPECT_THAT(Joined(lines), HasSubstr("+ 3 more slots"));
    // The header takes more lines rather than cutting the image's hash or a figure off.
    EXPECT_THAT(Joined(lines), HasSubstr("\n image 3068 bytes, SHA-256 1a2b3c4d"));
    EXPECT_THAT(Joined(lines), HasSubstr("\n yield 66 %   0.0 mice per hour"));
}

TEST(BoardScreen, BeforeAnyMouseThereIsNoYieldAndNoRate) {
    monitor::BoardState state("station-3", "3068 bytes", 1000);
    state.OnPlugged(5);
    const std::string text = Joined(Visible(monitor::RenderBoard(state.Snapshot(1000), {80, 24})));
    EXPECT_THAT(text, HasSubstr("tally: 0 updated, 0 not updated   yield -   0.0 mice per hour"));
    EXPECT_THAT(text, HasSubstr("slot 5"));
    EXPECT_THAT(text, HasSubstr("WAITING"));
    EXPECT_THAT(text, Not(HasSubstr("failed")));
}

TEST(BoardState, AMousePluggedInAgainStartsAfreshOnItsTile) {
    monitor::BoardState state = FourMice();
    state.OnPlugged(1);
    state.OnUpdating(1, 7);
    const monitor::BoardTile tile = state.Snapshot(0).tiles.at(1);
    EXPECT_EQ(tile.state, monitor::TileState::Updating);
    EXPECT_EQ(tile.stepsDone, 0);
    EXPECT_EQ(tile.failedStep, "");
    EXPECT_EQ(state.Snapshot(0).header.notUpdated, 1);  // the tally keeps it
}

}  // namespace
}  // namespace talun::test
