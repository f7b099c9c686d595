// A hand-made beginning of a PE file: DOS header, "PE\0\0", file header and the
// optional header's magic (0x10B for a 32-bit image, 0x20B for a 64-bit one).
#pragma once

#include <cstdint>
#include <vector>

namespace talun::test {

inline std::vector<uint8_t> PeHeaderBytes(uint16_t magic, uint32_t peOffset = 0x80) {
    std::vector<uint8_t> bytes(peOffset + 4 + 20 + 2, 0);
    bytes[0] = 'M';
    bytes[1] = 'Z';
    for (int i = 0; i < 4; ++i) bytes[0x3C + i] = static_cast<uint8_t>(peOffset >> (8 * i));
    bytes[peOffset] = 'P';
    bytes[peOffset + 1] = 'E';
    bytes[peOffset + 24] = static_cast<uint8_t>(magic);
    bytes[peOffset + 25] = static_cast<uint8_t>(magic >> 8);
    return bytes;
}

inline constexpr uint16_t PE32_MAGIC = 0x10B;
inline constexpr uint16_t PE32_PLUS_MAGIC = 0x20B;

}  // namespace talun::test
