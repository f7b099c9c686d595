#include "monitor/BoardState.h"

namespace talun::monitor {

namespace {
inline constexpr double MS_PER_HOUR = 3600.0 * 1000.0;
}

BoardState::BoardState(std::string station, std::string image, uint64_t startMs)
    : startMs_(startMs) {
    view_.header.station = std::move(station);
    view_.header.image = std::move(image);
}

BoardTile& BoardState::Tile(int slot) {
    auto [entry, added] = view_.tiles.try_emplace(slot);
    if (added) entry->second.label = "slot " + std::to_string(slot);
    return entry->second;
}

void BoardState::OnPlugged(int slot) {
    BoardTile& tile = Tile(slot);
    tile.state = TileState::Waiting;
    tile.step.clear();
    tile.failedStep.clear();
}

void BoardState::OnUpdating(int slot, int steps) {
    BoardTile& tile = Tile(slot);
    tile.state = TileState::Updating;
    tile.stepsDone = 0;
    tile.steps = steps;
    tile.step.clear();
    tile.failedStep.clear();
}

void BoardState::OnStepStarted(int slot, const std::string& step) {
    Tile(slot).step = step;
}

void BoardState::OnStepFinished(int slot) {
    ++Tile(slot).stepsDone;
}

void BoardState::OnOutcome(int slot, bool updated, const std::string& failedStep) {
    BoardTile& tile = Tile(slot);
    tile.state = updated ? TileState::Updated : TileState::NotUpdated;
    tile.failedStep = updated ? std::string() : failedStep;
    ++(updated ? view_.header.updated : view_.header.notUpdated);
}

void BoardState::OnUnplugged(int slot) {
    Tile(slot).state = TileState::Unplugged;
}

void BoardState::Name(int slot, const std::string& label, const std::string& serial) {
    BoardTile& tile = Tile(slot);
    if (!label.empty()) tile.label = label;
    tile.serial = serial;
}

void BoardState::Note(const std::string& line) {
    view_.notes.push_back(line);
    while (view_.notes.size() > BOARD_NOTE_LINES) view_.notes.pop_front();
}

BoardView BoardState::Snapshot(uint64_t nowMs) const {
    BoardView view = view_;
    const double hours = nowMs > startMs_ ? static_cast<double>(nowMs - startMs_) / MS_PER_HOUR : 0;
    const int mice = view.header.updated + view.header.notUpdated;
    view.header.micePerHour = hours > 0 ? mice / hours : 0;
    return view;
}

}  // namespace talun::monitor
