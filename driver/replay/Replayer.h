// Plays a recording back call by call: each call must be the one recorded next,
// with the same arguments and, for a write, the same bytes; it then gets the
// recorded result (and a read the recorded bytes). At the first difference, and
// past the end of the recording, the call fails, and so does every later one;
// the error text stays that of the first difference.
#pragma once

#include <cstdint>
#include <string>

#include "device/Recording.h"

namespace talun::replay {

class Replayer {
  public:
    explicit Replayer(Recording recording) : recording_(std::move(recording)) {}
    // A replayer whose every call fails with this text (no recording to play).
    static Replayer Failing(const std::string& errorText);

    // The recorded Open_DevMonitor, or nothing when this call differs.
    const RecordedCall* OpenMonitor();
    void CloseMonitor() { Next(TraceKind::CloseMonitor); }
    int OpenDevice();
    void CloseDevice() { Next(TraceKind::CloseDevice); }
    int SetFeature(const uint8_t* report, int length);
    int GetFeature(uint8_t* buffer, int length);

    // Why the last call failed: the first difference, for good.
    const std::string& ErrorText() const { return error_; }
    const Recording& Played() const { return recording_; }

  private:
    // The recorded call for this one, if it is of this kind; else fails.
    const RecordedCall* Next(TraceKind kind);
    void Diverge(const std::string& text);

    Recording recording_;
    std::size_t next_ = 0;
    bool diverged_ = false;
    std::string error_;
};

}  // namespace talun::replay
