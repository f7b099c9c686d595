// What a station shows of several mice at once: one progress line per mouse on a
// terminal, one line per step prefixed with the slot otherwise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/StationBoard.h"

namespace talun::test {
namespace {

using ::testing::HasSubstr;

// What the board wrote to a file standing in for the screen.
std::string BoardText(bool terminal, void (*show)(cli::StationBoard&)) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    {
        cli::StationBoard board(file, terminal);
        show(board);
    }
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

void TwoMiceUpdating(cli::StationBoard& board) {
    board.OnStatusChanged(0, UpdateStatus::Updating);
    board.OnStatusChanged(4, UpdateStatus::Updating);
    board.OnStepStarted(4, UpdateStep::FirmwareChunk1);
    board.OnStepFinished(4, UpdateStep::FirmwareChunk1, StepOutcome::Acknowledged);
    board.OnStepStarted(4, UpdateStep::FirmwareChunk2);
    board.EndProgress(4);
    board.SaySlot(4, "mouse 1: FIRMWARE NOT UPDATED.");
}

TEST(StationBoard, OneProgressLinePerMouseOnATerminalOneLinePerStepOtherwise) {
    EXPECT_EQ(BoardText(false, TwoMiceUpdating),
              "slot 0: UPDATING....\n"
              "slot 4: UPDATING....\n"
              "slot 4:   firmware part 1 of 3   acknowledged\n"
              "slot 4: mouse 1: FIRMWARE NOT UPDATED.\n");
    // On a terminal the block of progress lines is redrawn in place: up and clear
    // each of its lines, then the lines again, said lines above the block.
    const std::string up = "\x1b[1A\x1b[2K\r";
    const std::string screen = BoardText(true, TwoMiceUpdating);
    EXPECT_THAT(screen, HasSubstr(up + up +
                                  "slot 0 [....................] UPDATING....\n"
                                  "slot 4 [##..................] 2/7 firmware part 2 "
                                  "of 3 ...\n"));
    EXPECT_THAT(screen, HasSubstr(up + "slot 4: mouse 1: FIRMWARE NOT UPDATED.\n"
                                       "slot 0 [....................] UPDATING....\n"));
}

}  // namespace
}  // namespace talun::test
