// The firmware block and REPORT_FIRMWARE_CHUNK (0x2A), 1034 bytes.
//
// The block is the 3068-byte image proper followed by the trailer 0x2E77, low
// byte first (3070 bytes), cut into three chunks of 1024, 1024 and 1022 bytes.
//
//   0: 0x2A  1: chunk number 1..3  2..7: zero  8..1031: payload (zero beyond a
//   short payload)  1032, 1033: byte sum of 0..1031, low byte first
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "protocol/Report.h"

namespace talun {

inline constexpr uint8_t REPORT_FIRMWARE_CHUNK = 0x2A;
inline constexpr int LENGTH_FIRMWARE_CHUNK = 1034;
inline constexpr uint32_t FIRST_WAIT_FIRMWARE_CHUNK_MS = 1000;

inline constexpr int FIRMWARE_IMAGE_SIZE = 3068;     // the image proper
inline constexpr int FIRMWARE_BLOCK_SIZE = 3070;     // image and trailer
inline constexpr uint16_t FIRMWARE_TRAILER = 11895;  // 0x2E77, low byte first

inline constexpr int FIRMWARE_CHUNK_COUNT = 3;
inline constexpr int FIRMWARE_CHUNK_NUMBER_OFFSET = 1;
inline constexpr int FIRMWARE_CHUNK_PADDING_OFFSET = 2;  // bytes 2..7 are zero
inline constexpr int FIRMWARE_CHUNK_PAYLOAD_OFFSET = 8;
inline constexpr int FIRMWARE_CHUNK_PAYLOAD_MAX = 1024;
inline constexpr int FIRMWARE_CHUNK_CHECKSUM_OFFSET = 1032;  // sums bytes 0..1031

// Payload length of chunk chunkNumber (1..3): the last one carries the rest.
inline constexpr int FirmwareChunkPayload(int chunkNumber) {
    return chunkNumber < FIRMWARE_CHUNK_COUNT
               ? FIRMWARE_CHUNK_PAYLOAD_MAX
               : FIRMWARE_BLOCK_SIZE - (FIRMWARE_CHUNK_COUNT - 1) * FIRMWARE_CHUNK_PAYLOAD_MAX;
}

// Chunk chunkNumber (1..3) of block (image and trailer) as a chunk report.
inline Report BuildFirmwareChunk(const std::vector<uint8_t>& block, int chunkNumber) {
    Report report = MakeReport(REPORT_FIRMWARE_CHUNK, LENGTH_FIRMWARE_CHUNK);
    report.at(FIRMWARE_CHUNK_NUMBER_OFFSET) = static_cast<uint8_t>(chunkNumber);
    const std::size_t begin =
        static_cast<std::size_t>(chunkNumber - 1) * FIRMWARE_CHUNK_PAYLOAD_MAX;
    const std::size_t end = std::min(block.size(), begin + FIRMWARE_CHUNK_PAYLOAD_MAX);
    if (begin < end) {
        std::copy(block.begin() + static_cast<std::ptrdiff_t>(begin),
                  block.begin() + static_cast<std::ptrdiff_t>(end),
                  report.begin() + FIRMWARE_CHUNK_PAYLOAD_OFFSET);
    }
    StoreByteSum16(report.data(), FIRMWARE_CHUNK_CHECKSUM_OFFSET);
    return report;
}

}  // namespace talun
