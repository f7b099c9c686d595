// What the station board shows: a tile per port or slot and the station's
// figures above them, kept up to date from the station's per-mouse events.
// Not thread-safe: its owner serialises the calls.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>

namespace talun::monitor {

enum class TileState { Waiting, Updating, Updated, NotUpdated, Unplugged };

struct BoardTile {
    std::string label;  // the port's label, else "slot N"
    TileState state = TileState::Waiting;
    std::string step;        // Updating: the step under way
    int stepsDone = 0;       // Updating: steps finished so far
    int steps = 0;           // Updating: steps of the whole run
    std::string failedStep;  // NotUpdated: the first step that failed
    std::string serial;      // the mouse's serial, when known
};

struct BoardHeader {
    std::string station;
    std::string image;  // e.g. "3068 bytes, SHA-256 1a2b3c4d"
    int updated = 0;
    int notUpdated = 0;
    double micePerHour = 0;  // mice with an outcome per hour since the station started
};

// Everything on the screen at one moment.
struct BoardView {
    BoardHeader header;
    std::map<int, BoardTile> tiles;  // by slot
    std::deque<std::string> notes;   // the latest lines said, oldest first
};

// Lines said that the board keeps below the tiles.
inline constexpr std::size_t BOARD_NOTE_LINES = 3;

class BoardState {
  public:
    // startMs: the station's start on the clock that Snapshot's nowMs reads.
    BoardState(std::string station, std::string image, uint64_t startMs);

    void OnPlugged(int slot);
    // steps: how many steps the run has.
    void OnUpdating(int slot, int steps);
    void OnStepStarted(int slot, const std::string& step);
    void OnStepFinished(int slot);
    // failedStep: empty when the mouse was updated.
    void OnOutcome(int slot, bool updated, const std::string& failedStep);
    void OnUnplugged(int slot);
    // The slot's label and serial, once they are known.
    void Name(int slot, const std::string& label, const std::string& serial);
    void Note(const std::string& line);

    BoardView Snapshot(uint64_t nowMs) const;

  private:
    BoardTile& Tile(int slot);

    BoardView view_;
    uint64_t startMs_;
};

}  // namespace talun::monitor
