// A feature report as it travels, and the byte-sum checksum that two of them carry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace talun {

// A report: byte 0 the report ID; its size is the length handed to the library.
using Report = std::vector<uint8_t>;

// A zero-filled report of length bytes with the ID in byte 0.
inline Report MakeReport(uint8_t reportId, int length) {
    Report report(static_cast<std::size_t>(length), 0);
    report.at(0) = reportId;
    return report;
}

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

// Whether report[offset], report[offset+1] hold the byte sum of the bytes before.
inline bool ByteSum16Matches(const Report& report, std::size_t offset) {
    if (report.size() < offset + 2) return false;
    const uint16_t sum = ByteSum16(report.data(), offset);
    return report[offset] == (sum & 0xFF) && report[offset + 1] == (sum >> 8);
}

}  // namespace talun
