#include "device/TraceFormat.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace talun {

namespace {

constexpr const char* kHexDigits = "0123456789ABCDEF";

std::string Stamp(uint64_t atMs) {
    char text[32];
    std::snprintf(text, sizeof text, "%8llu ", static_cast<unsigned long long>(atMs));
    return text;
}

std::string Transfer(const char* operation, const TraceLine& line) {
    return std::string(operation) + " len=" + std::to_string(line.length) + " -> " +
           std::to_string(line.result) + " | " + HexBytes(line.bytes.data(), line.bytes.size());
}

std::string Body(const TraceLine& line) {
    switch (line.kind) {
        case TraceKind::OpenMonitor:
            return "OPEN MONITOR input=" + std::to_string(line.inputMessage) +
                   " plug=" + std::to_string(line.plugMessage);
        case TraceKind::CloseMonitor:
            return "CLOSE MONITOR";
        case TraceKind::OpenDevice:
            return "OPEN DEVICE -> " + std::to_string(line.result);
        case TraceKind::CloseDevice:
            return "CLOSE DEVICE";
        case TraceKind::SetFeature:
            return Transfer("SET", line);
        case TraceKind::GetFeature:
            return Transfer("GET", line);
        case TraceKind::Sleep:
            return "SLEEP " + std::to_string(line.sleepMs);
        case TraceKind::Event:
            return std::string("EVENT ") + (line.plug ? "PLUG" : "INPUT") +
                   " w=" + std::to_string(line.wParam) + " l=" + std::to_string(line.lParam);
    }
    return {};
}

// "key=" followed by a number, into value.
template <typename T>
bool KeyedNumber(std::istringstream& words, const char* key, T& value) {
    std::string word;
    const std::string prefix = std::string(key) + "=";
    if (!(words >> word) || word.rfind(prefix, 0) != 0 || word.size() == prefix.size())
        return false;
    std::istringstream number(word.substr(prefix.size()));
    return number >> value && number.peek() == EOF;
}

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
bool ParseTransfer(std::istringstream& words, TraceLine& line) {
    std::string arrow, bar;
    return KeyedNumber(words, "len", line.length) && line.length >= 0 && words >> arrow &&
           arrow == "->" && words >> line.result && words >> bar && bar == "|" &&
           ParseHexBytes(words, line.bytes);
}

// "PLUG w=1 l=0"
bool ParseEvent(std::istringstream& words, TraceLine& line) {
    std::string which;
    if (!(words >> which) || (which != "PLUG" && which != "INPUT")) return false;
    line.plug = which == "PLUG";
    return KeyedNumber(words, "w", line.wParam) && KeyedNumber(words, "l", line.lParam);
}

// "MONITOR input=1325 plug=1326", "DEVICE -> 1", "MONITOR", "DEVICE"
bool ParseOpenClose(bool open, std::istringstream& words, TraceLine& line) {
    std::string what, arrow;
    if (!(words >> what)) return false;
    if (what == "MONITOR") {
        line.kind = open ? TraceKind::OpenMonitor : TraceKind::CloseMonitor;
        return !open || (KeyedNumber(words, "input", line.inputMessage) &&
                         KeyedNumber(words, "plug", line.plugMessage));
    }
    if (what != "DEVICE") return false;
    line.kind = open ? TraceKind::OpenDevice : TraceKind::CloseDevice;
    return !open || (words >> arrow && arrow == "->" && words >> line.result);
}

bool ParseBody(const std::string& operation, std::istringstream& words, TraceLine& line) {
    if (operation == "SET" || operation == "GET") {
        line.kind = operation == "SET" ? TraceKind::SetFeature : TraceKind::GetFeature;
        return ParseTransfer(words, line);
    }
    if (operation == "SLEEP") {
        line.kind = TraceKind::Sleep;
        return static_cast<bool>(words >> line.sleepMs);
    }
    if (operation == "EVENT") {
        line.kind = TraceKind::Event;
        return ParseEvent(words, line);
    }
    if (operation == "OPEN" || operation == "CLOSE")
        return ParseOpenClose(operation == "OPEN", words, line);
    return false;
}

}  // namespace

const char* TraceEntryPointName(TraceKind kind) {
    switch (kind) {
        case TraceKind::OpenMonitor:
            return "Open_DevMonitor";
        case TraceKind::CloseMonitor:
            return "Close_DevMonitor";
        case TraceKind::OpenDevice:
            return "Open_FeatureDevice";
        case TraceKind::CloseDevice:
            return "Close_FeatureDevice";
        case TraceKind::SetFeature:
            return "SetFeature";
        case TraceKind::GetFeature:
            return "GetFeature";
        case TraceKind::Sleep:
        case TraceKind::Event:
            break;
    }
    return "";
}

std::string HexBytes(const uint8_t* data, std::size_t count) {
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kHexDigits[data[i] >> 4];
        text += kHexDigits[data[i] & 0xF];
    }
    return text;
}

std::string FormatTraceLine(const TraceLine& line) {
    return Stamp(line.atMs) + Body(line);
}

std::string FormatTraceNote(const std::string& text) {
    return "# " + text;
}

bool IsTraceNote(const std::string& text) {
    const auto start = text.find_first_not_of(" \r");
    return start == std::string::npos || text[start] == '#';
}

std::optional<TraceLine> ParseTraceLine(const std::string& text) {
    std::istringstream words(text);
    TraceLine line;
    std::string operation;
    if (!(words >> line.atMs >> operation)) return std::nullopt;
    try {
        if (!ParseBody(operation, words, line)) return std::nullopt;
    } catch (const std::exception&) {  // a number out of range
        return std::nullopt;
    }
    return line;
}

}  // namespace talun
