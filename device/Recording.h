// A recording of a session with a driver library (talun-r5 --record): a transfer
// trace (device/TraceFormat.h) after a first line that names the format and its
// version. It holds every call into the library in order, with its arguments,
// result, bytes and time, and the messages its monitor sent.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "device/TraceFormat.h"

namespace talun {

inline constexpr char RECORDING_FIRST_LINE[] = "# talun-r5 recording 1";

// A call into the library: a trace line of one of the six entry points.
struct RecordedCall : TraceLine {
    int line = 0;  // in the recording, from 1
};

// A message of the monitor, sent between the call before it and the one after.
struct RecordedEvent : TraceLine {
    std::size_t afterCalls = 0;  // how many calls came before it
};

struct Recording {
    std::vector<RecordedCall> calls;
    std::vector<RecordedEvent> events;
};

// Nothing, and error set ("line N: ..."), for text that is not a recording of
// this version. Notes and sleeps are skipped.
std::optional<Recording> ParseRecording(const std::string& text, std::string& error);

}  // namespace talun
