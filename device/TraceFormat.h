// The lines of a transfer trace (--trace, --record and the golden traces), written
// and read here alone:
//   "<ms> OPEN MONITOR input=1325 plug=1326"   "<ms> CLOSE MONITOR"
//   "<ms> OPEN DEVICE -> 1"                    "<ms> CLOSE DEVICE"
//   "<ms> SET len=3 -> 1 | 05 03 00"           (the bytes as handed over)
//   "<ms> GET len=3 -> 1 | 04 01 00"           (as read back; the ID alone after a failed read)
//   "<ms> SLEEP 1000"                          (the tool's own sleeps)
//   "<ms> EVENT PLUG w=1 l=0"                  (a monitor message, PLUG or INPUT)
//   "# ..."                                    (a note)
// The time is the tool's clock in ms, right-aligned in eight places.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talun {

enum class TraceKind {
    OpenMonitor,
    CloseMonitor,
    OpenDevice,
    CloseDevice,
    SetFeature,
    GetFeature,
    Sleep,
    Event
};

struct TraceLine {
    TraceLine() = default;
    explicit TraceLine(TraceKind lineKind, uint64_t lineAtMs = 0)
        : kind(lineKind), atMs(lineAtMs) {}

    TraceKind kind = TraceKind::OpenDevice;
    uint64_t atMs = 0;
    int length = 0;              // SetFeature, GetFeature
    int result = 0;              // OpenDevice, SetFeature, GetFeature
    std::vector<uint8_t> bytes;  // SetFeature, GetFeature
    unsigned inputMessage = 0;   // OpenMonitor
    unsigned plugMessage = 0;    // OpenMonitor
    uint32_t sleepMs = 0;        // Sleep
    bool plug = true;            // Event: the plug message, else the input message
    uintptr_t wParam = 0;        // Event
    intptr_t lParam = 0;         // Event
};

// The entry point a call line stands for, e.g. "SetFeature"; "" for a sleep or an event.
const char* TraceEntryPointName(TraceKind kind);

std::string HexBytes(const uint8_t* data, std::size_t count);

std::string FormatTraceLine(const TraceLine& line);
std::string FormatTraceNote(const std::string& text);  // "# text"

// A note or an empty line: no call, no sleep, no event.
bool IsTraceNote(const std::string& text);
// The line, or nothing when it is not one of the lines above (a note, or a line
// of one mouse among several, "slot N ...", included).
std::optional<TraceLine> ParseTraceLine(const std::string& text);

}  // namespace talun
