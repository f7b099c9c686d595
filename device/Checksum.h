// The byte-sum checksum of the button map and firmware chunk reports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace talun {

// Unsigned sum of data[0 .. count-1], kept to its low 16 bits.
inline uint16_t ByteSum16(const uint8_t* data, std::size_t count) {
    uint32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += data[i];
    return static_cast<uint16_t>(sum & 0xFFFFu);
}

// Sums report[0 .. offset-1] and stores the sum at offset (low) and offset+1 (high).
inline void StoreByteSum16(uint8_t* report, std::size_t offset) {
    const uint16_t sum = ByteSum16(report, offset);
    report[offset] = static_cast<uint8_t>(sum & 0xFF);
    report[offset + 1] = static_cast<uint8_t>(sum >> 8);
}

}  // namespace talun
