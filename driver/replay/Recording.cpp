#include "driver/replay/Recording.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace talun::replay {

namespace {

bool ParseHexBytes(std::istringstream& words, std::vector<uint8_t>& bytes) {
    for (std::string hex; words >> hex;) {
        if (hex.size() != 2 || !std::isxdigit(static_cast<unsigned char>(hex[0])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[1])))
            return false;
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
    }
    return true;
}

// "len=3 -> 1 | 05 03 00"
bool ParseTransfer(std::istringstream& words, RecordedCall& call) {
    std::string lengthWord, arrow, bar;
    if (!(words >> lengthWord >> arrow >> call.result >> bar) || lengthWord.rfind("len=", 0) != 0 ||
        arrow != "->" || bar != "|")
        return false;
    call.length = std::atoi(lengthWord.c_str() + 4);
    return ParseHexBytes(words, call.bytes) && call.length >= 0;
}

// "PLUG w=1 l=0"
bool ParseEvent(std::istringstream& words, RecordedEvent& event) {
    std::string kind, w, l;
    if (!(words >> kind >> w >> l) || w.rfind("w=", 0) != 0 || l.rfind("l=", 0) != 0) return false;
    if (kind != "PLUG" && kind != "INPUT") return false;
    event.plug = kind == "PLUG";
    event.wParam = static_cast<uintptr_t>(std::stoull(w.substr(2)));
    event.lParam = static_cast<intptr_t>(std::stoll(l.substr(2)));
    return true;
}

// One line that is neither a note nor empty; false when it is not understood.
bool ParseLine(const std::string& line, Recording& recording) {
    std::istringstream words(line);
    uint64_t atMs = 0;
    std::string operation, what;
    if (!(words >> atMs >> operation)) return false;
    if (operation == "SLEEP") return true;  // the tool's own sleeps are not calls
    if (operation == "EVENT") {
        RecordedEvent event;
        event.atMs = atMs;
        event.afterCalls = recording.calls.size();
        if (!ParseEvent(words, event)) return false;
        recording.events.push_back(event);
        return true;
    }
    RecordedCall call;
    call.atMs = atMs;
    if (operation == "SET" || operation == "GET") {
        call.kind = operation == "SET" ? CallKind::SetFeature : CallKind::GetFeature;
        if (!ParseTransfer(words, call)) return false;
    } else if ((operation == "OPEN" || operation == "CLOSE") && words >> what) {
        const bool open = operation == "OPEN";
        if (what == "MONITOR") {
            call.kind = open ? CallKind::OpenMonitor : CallKind::CloseMonitor;
        } else if (what == "DEVICE") {
            call.kind = open ? CallKind::OpenDevice : CallKind::CloseDevice;
            std::string arrow;
            if (open && !(words >> arrow >> call.result && arrow == "->")) return false;
        } else {
            return false;
        }
    } else {
        return false;
    }
    recording.calls.push_back(call);
    return true;
}

}  // namespace

const char* CallName(CallKind kind) {
    switch (kind) {
        case CallKind::OpenMonitor:
            return "Open_DevMonitor";
        case CallKind::CloseMonitor:
            return "Close_DevMonitor";
        case CallKind::OpenDevice:
            return "Open_FeatureDevice";
        case CallKind::CloseDevice:
            return "Close_FeatureDevice";
        case CallKind::SetFeature:
            return "SetFeature";
        case CallKind::GetFeature:
            return "GetFeature";
    }
    return "?";
}

std::optional<Recording> ParseRecording(const std::string& text, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line != RECORDING_FIRST_LINE) {
        error = "line 1 is not \"" + std::string(RECORDING_FIRST_LINE) +
                "\": not a recording, or one of another version";
        return std::nullopt;
    }
    Recording recording;
    for (int number = 2; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto start = line.find_first_not_of(' ');
        if (start == std::string::npos || line[start] == '#') continue;
        const std::size_t callsBefore = recording.calls.size();
        bool understood = false;
        try {
            understood = ParseLine(line, recording);
        } catch (const std::exception&) {  // a number out of range
        }
        if (!understood) {
            error = "line " + std::to_string(number) + " is not understood: " + line;
            return std::nullopt;
        }
        if (recording.calls.size() > callsBefore) recording.calls.back().line = number;
    }
    return recording;
}

}  // namespace talun::replay
