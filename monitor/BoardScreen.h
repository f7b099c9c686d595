// The station board drawn for a terminal of a given size: the header (station,
// image, tally, yield, mice per hour), a grid of tiles, each with its state in
// large coloured words, and the latest lines said. Virtual-terminal sequences
// only (colours, cursor home, erase): Linux terminals and the Windows console
// with ENABLE_VIRTUAL_TERMINAL_PROCESSING take them.
#pragma once

#include <cstddef>
#include <string>

#include "monitor/BoardState.h"

namespace talun::monitor {

struct TerminalSize {
    int columns = 80;
    int rows = 24;
};

// Widths and heights of the board, in character cells.
inline constexpr int BOARD_TILE_WIDTH = 28;
inline constexpr int BOARD_TILE_HEIGHT = 7;  // lines, and one blank line below
inline constexpr int BOARD_BAR_WIDTH = 20;
// Hex digits of the image's SHA-256 in the header.
inline constexpr std::size_t BOARD_SHORT_SHA256 = 8;

// Entering and leaving the board's screen: the alternate screen without the
// cursor, and back to the screen and the cursor as they were.
inline constexpr char BOARD_ENTER[] = "\x1b[?1049h\x1b[?25l";
inline constexpr char BOARD_LEAVE[] = "\x1b[?25h\x1b[?1049l";

// The whole screen, drawn from its top left corner; every line fits the width,
// and no more lines than the terminal has (tiles that do not fit are counted).
std::string RenderBoard(const BoardView& view, TerminalSize size);

// What the tile's state says in large words: "WAITING", "UPDATING", "UPDATED",
// "NOT UPDATED", "UNPLUGGED".
const char* TileStateWord(TileState state);

}  // namespace talun::monitor
