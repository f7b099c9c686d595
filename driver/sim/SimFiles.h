// The files of the sim driver library: the transfer trace, the state file and the
// control file. Formats are described in driver/sim/README.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/sim/SimMouse.h"

namespace talun::sim {

// The transfer as a line of the tool's own trace (device/TraceFormat.h), no line end.
std::string FormatTraceLine(const TraceEntry& entry);

// The state file's text: what the mouse holds and what it was sent. expectedBlock
// is the 3070-byte block the image is compared with (nullptr: not known).
std::string FormatState(const SimMouse& mouse, const std::vector<uint8_t>* expectedBlock,
                        uint64_t sequence, const std::vector<std::string>& scenarioErrors);

// The firmware block a firmware file stands for: a 3068-byte image proper gets the
// trailer 0x77 0x2E appended, a 3070-byte file is taken as it is. nullopt (and
// error set) for anything else.
std::optional<std::vector<uint8_t>> LoadFirmwareBlock(const std::string& path, std::string& error);

// The whole content of a file; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes text to path so that a reader sees the old or the new content, never a
// mix (a temporary file renamed over it). False when the file could not be written.
bool ReplaceFileContent(const std::string& path, const std::string& text);

// Reads the lines appended to a control file since the last call. A line counts
// once it ends in a line feed; a file that shrank is read again from its start.
class ControlFileReader {
  public:
    explicit ControlFileReader(std::string path) : path_(std::move(path)) {}
    std::vector<std::string> NewLines();

  private:
    std::string path_;
    uint64_t offset_ = 0;
};

}  // namespace talun::sim
