// A recording of a session with a driver library (talun-r5 --record): every
// call into it in order, with its arguments, result, bytes and time, and the
// messages its monitor sent. The format is that of a transfer trace with a
// first line naming the format and its version (see README.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talun::replay {

inline constexpr char RECORDING_FIRST_LINE[] = "# talun-r5 recording 1";

enum class CallKind { OpenMonitor, CloseMonitor, OpenDevice, CloseDevice, SetFeature, GetFeature };
const char* CallName(CallKind kind);  // the entry point's name, e.g. "SetFeature"

struct RecordedCall {
    CallKind kind = CallKind::OpenDevice;
    uint64_t atMs = 0;
    int length = 0;              // SetFeature, GetFeature
    int result = 0;              // OpenDevice, SetFeature, GetFeature
    std::vector<uint8_t> bytes;  // as written, or as read back (the ID alone after a failed read)
    int line = 0;                // in the recording, from 1
};

// A message of the monitor, sent between the call before it and the one after.
struct RecordedEvent {
    uint64_t atMs = 0;
    bool plug = true;  // the plug message, else the input message
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::size_t afterCalls = 0;  // how many calls came before it
};

struct Recording {
    std::vector<RecordedCall> calls;
    std::vector<RecordedEvent> events;
};

// Nothing, and error set ("line N: ..."), for text that is not a recording of
// this version. Notes ("# ...") and sleeps are skipped.
std::optional<Recording> ParseRecording(const std::string& text, std::string& error);

}  // namespace talun::replay
