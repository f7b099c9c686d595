#include "monitor/BoardScreen.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace talun::monitor {

namespace {

// Select graphic rendition: the colours and weights of the board.
inline constexpr char SGR_RESET[] = "\x1b[0m";
inline constexpr char SGR_BOLD[] = "\x1b[1m";
inline constexpr char SGR_TITLE[] = "\x1b[1;7m";
inline constexpr char SGR_WAITING[] = "\x1b[1;30;46m";      // black on cyan
inline constexpr char SGR_UPDATING[] = "\x1b[1;30;43m";     // black on yellow
inline constexpr char SGR_UPDATED[] = "\x1b[1;97;42m";      // white on green
inline constexpr char SGR_NOT_UPDATED[] = "\x1b[1;97;41m";  // white on red
inline constexpr char SGR_UNPLUGGED[] = "\x1b[1;37;100m";   // grey on dark grey
inline constexpr char CURSOR_HOME[] = "\x1b[H";
inline constexpr char ERASE_LINE_END[] = "\x1b[K";
inline constexpr char ERASE_SCREEN_END[] = "\x1b[J";
inline constexpr int TILE_GAP = 1;

// One line of the screen as it is built: the text that shows, and its length in
// cells (the board writes ASCII only, one cell a character).
struct Line {
    std::string text;
    int cells = 0;
};

// text cut or padded to exactly width cells, in the style sgr (none: plain).
void Put(Line& line, const std::string& text, int width, const char* sgr = nullptr) {
    std::string cell = text.substr(0, static_cast<std::size_t>(std::max(width, 0)));
    cell.resize(static_cast<std::size_t>(std::max(width, 0)), ' ');
    line.text += sgr ? sgr + cell + SGR_RESET : cell;
    line.cells += width;
}

const char* StateStyle(TileState state) {
    switch (state) {
        case TileState::Waiting:
            return SGR_WAITING;
        case TileState::Updating:
            return SGR_UPDATING;
        case TileState::Updated:
            return SGR_UPDATED;
        case TileState::NotUpdated:
            return SGR_NOT_UPDATED;
        case TileState::Unplugged:
            return SGR_UNPLUGGED;
    }
    return SGR_RESET;
}

// done of total as a bar of width cells between brackets: "[######......]".
std::string Bar(int done, int total, int width) {
    const int filled = total > 0 ? std::clamp(done, 0, total) * width / total : 0;
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]";
}

std::string Centered(const std::string& word, int width) {
    const int margin = std::max(0, (width - static_cast<int>(word.size())) / 2);
    return std::string(static_cast<std::size_t>(margin), ' ') + word;
}

// The tile's lines, each exactly width cells.
std::vector<Line> TileLines(const BoardTile& tile, int width) {
    std::vector<Line> lines(BOARD_TILE_HEIGHT);
    Put(lines[0], " " + tile.label, width, SGR_BOLD);
    // The state: its word in the middle of a block of its colour.
    const char* style = StateStyle(tile.state);
    Put(lines[1], "", width, style);
    Put(lines[2], Centered(TileStateWord(tile.state), width), width, style);
    Put(lines[3], "", width, style);
    std::string detail;
    std::string bar;
    if (tile.state == TileState::Updating) {
        detail = " " + std::to_string(std::min(tile.stepsDone + 1, tile.steps)) + "/" +
                 std::to_string(tile.steps) + " " + tile.step;
        bar = " " + Bar(tile.stepsDone, tile.steps, BOARD_BAR_WIDTH);
    } else if (tile.state == TileState::NotUpdated) {
        detail = " failed step:";
        bar = " " + tile.failedStep;
    }
    Put(lines[4], detail, width);
    Put(lines[5], bar, width);
    Put(lines[6], tile.serial.empty() ? "" : " serial " + tile.serial, width);
    return lines;
}

// Parts on as few lines as they fit on, three blanks apart, each line after a
// blank: a narrow terminal gets more lines rather than parts cut off.
std::vector<std::string> Packed(const std::vector<std::string>& parts, int columns) {
    std::vector<std::string> lines;
    for (const std::string& part : parts) {
        if (!lines.empty() && static_cast<int>(lines.back().size() + 3 + part.size()) <= columns)
            lines.back() += "   " + part;
        else
            lines.push_back(" " + part);
    }
    return lines;
}

std::vector<Line> HeaderLines(const BoardHeader& header, int columns) {
    std::vector<Line> lines;
    for (const std::string& text :
         Packed({"TALUN R5 STATION " + header.station, "image " + header.image}, columns))
        Put(lines.emplace_back(), text, columns, SGR_TITLE);
    const int mice = header.updated + header.notUpdated;
    char rate[64];
    std::snprintf(rate, sizeof rate, "%.1f mice per hour", header.micePerHour);
    const std::vector<std::string> figures = {
        "tally: " + std::to_string(header.updated) + " updated, " +
            std::to_string(header.notUpdated) + " not updated",
        "yield " + (mice == 0 ? "-" : std::to_string(header.updated * 100 / mice) + " %"), rate};
    for (const std::string& text : Packed(figures, columns))
        Put(lines.emplace_back(), text, columns);
    return lines;
}

}  // namespace

const char* TileStateWord(TileState state) {
    switch (state) {
        case TileState::Waiting:
            return "WAITING";
        case TileState::Updating:
            return "UPDATING";
        case TileState::Updated:
            return "UPDATED";
        case TileState::NotUpdated:
            return "NOT UPDATED";
        case TileState::Unplugged:
            return "UNPLUGGED";
    }
    return "";
}

std::string RenderBoard(const BoardView& view, TerminalSize size) {
    const int columns = std::max(size.columns, 1);
    std::vector<Line> lines = HeaderLines(view.header, columns);
    lines.emplace_back();
    const int tileWidth = std::min(BOARD_TILE_WIDTH, columns);
    const int perRow = std::max(1, (columns + TILE_GAP) / (tileWidth + TILE_GAP));
    const int noteRows = static_cast<int>(view.notes.size());
    const int free = size.rows - static_cast<int>(lines.size()) - noteRows - 1;
    const int tileRows = std::max(0, free / (BOARD_TILE_HEIGHT + 1));
    const int shown = std::min(static_cast<int>(view.tiles.size()), tileRows * perRow);
    auto tile = view.tiles.begin();
    for (int first = 0; first < shown; first += perRow) {
        std::vector<Line> row(BOARD_TILE_HEIGHT);
        for (int i = first; i < std::min(first + perRow, shown); ++i, ++tile) {
            const std::vector<Line> tileLines = TileLines(tile->second, tileWidth);
            for (int n = 0; n < BOARD_TILE_HEIGHT; ++n) {
                if (i > first) Put(row[n], "", TILE_GAP);
                row[n].text += tileLines[n].text;
            }
        }
        lines.insert(lines.end(), row.begin(), row.end());
        lines.emplace_back();
    }
    if (shown < static_cast<int>(view.tiles.size()))
        Put(lines.emplace_back(),
            " + " + std::to_string(view.tiles.size() - shown) +
                " more slots: make the terminal larger to see them",
            columns);
    for (const std::string& note : view.notes) Put(lines.emplace_back(), " " + note, columns);

    std::string screen = CURSOR_HOME;
    const std::size_t rows =
        std::min(lines.size(), static_cast<std::size_t>(std::max(size.rows, 0)));
    for (std::size_t i = 0; i < rows; ++i) {
        screen += lines[i].text + ERASE_LINE_END;
        if (i + 1 < rows) screen += "\r\n";
    }
    return screen + ERASE_SCREEN_END;
}

}  // namespace talun::monitor
