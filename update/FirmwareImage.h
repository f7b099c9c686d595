// The firmware image the tool writes: 3068 bytes of image proper followed by
// the trailer 0x77 0x2E, and its framing into three chunk reports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "protocol/FirmwareChunk.h"

namespace talun {

// A placeholder image starts with this text; it is for the simulated mouse only.
inline constexpr char FIRMWARE_PLACEHOLDER_MARK[] = "TALUN-R5 PLACEHOLDER FIRMWARE";

class FirmwareImage {
  public:
    // The image built into the program.
    static const FirmwareImage& BuiltIn();
    // An image proper of exactly 3068 bytes; nothing for any other size.
    static std::optional<FirmwareImage> FromImage(const std::vector<uint8_t>& image);

    // The 3070 bytes that travel: image, then trailer.
    const std::vector<uint8_t>& Block() const { return block_; }
    bool IsPlaceholder() const;
    // 16-bit byte sum of the image proper, for identification.
    uint16_t ImageChecksum() const;
    // "3068 bytes, checksum 0x1234" and ", placeholder" where it is one.
    std::string Describe() const;

  private:
    explicit FirmwareImage(const std::vector<uint8_t>& image);
    std::vector<uint8_t> block_;
};

// Chunk chunkNumber (1 to 3) of the image as a REPORT_FIRMWARE_CHUNK report.
inline Report BuildFirmwareChunk(const FirmwareImage& image, int chunkNumber) {
    return BuildFirmwareChunk(image.Block(), chunkNumber);
}

// Why image must not go to a mouse through this driver library, or "" when it
// may: a placeholder image is only ever written into the simulated mouse.
std::string FirmwareRefusal(const FirmwareImage& image, bool driverIsSimulator);

struct CoreContext;

// Writes the three chunks, each followed by an acknowledgement wait, with a
// pause after the first. Stops at the first chunk that is not written and
// acknowledged: later chunks would land on a partial image. true when all three
// were acknowledged.
bool TransferFirmware(CoreContext& ctx);

}  // namespace talun
