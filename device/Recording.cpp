#include "device/Recording.h"

#include <sstream>

namespace talun {

namespace {

std::string WithoutReturn(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::optional<Recording> ParseRecording(const std::string& text, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    if (WithoutReturn(line) != RECORDING_FIRST_LINE) {
        error = "line 1 is not \"" + std::string(RECORDING_FIRST_LINE) +
                "\": not a recording, or one of another version";
        return std::nullopt;
    }
    Recording recording;
    for (int number = 2; std::getline(lines, line); ++number) {
        line = WithoutReturn(line);
        if (IsTraceNote(line)) continue;
        const std::optional<TraceLine> parsed = ParseTraceLine(line);
        if (!parsed) {
            error = "line " + std::to_string(number) + " is not understood: " + line;
            return std::nullopt;
        }
        if (parsed->kind == TraceKind::Event) {
            recording.events.push_back({*parsed, recording.calls.size()});
        } else if (parsed->kind != TraceKind::Sleep) {
            recording.calls.push_back({*parsed, number});
        }
    }
    return recording;
}

}  // namespace talun
