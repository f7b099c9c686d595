// Every feature report the tool moves: IDs, lengths, the first wait of the
// acknowledgement after a successful write, and the status values.
#pragma once

#include <cstdint>

namespace talun {

// Report IDs (byte 0 of every report).
inline constexpr uint8_t REPORT_STATUS = 0x04;
inline constexpr uint8_t REPORT_PROFILE = 0x05;
inline constexpr uint8_t REPORT_MAIN_SETTINGS = 0x06;
inline constexpr uint8_t REPORT_BUTTON_MAP = 0x07;
inline constexpr uint8_t REPORT_OTG_SPEED = 0x08;
inline constexpr uint8_t REPORT_MACRO = 0x09;
inline constexpr uint8_t REPORT_FIRMWARE_CHUNK = 0x2A;

// Lengths in bytes, the ID byte included.
inline constexpr int LENGTH_STATUS = 3;  // read (acknowledgement) and write (request)
inline constexpr int LENGTH_PROFILE = 3;
inline constexpr int LENGTH_MAIN_SETTINGS_WRITE = 37;
inline constexpr int LENGTH_MAIN_SETTINGS_READ = 35;
inline constexpr int LENGTH_BUTTON_MAP = 50;
inline constexpr int LENGTH_OTG_SPEED = 6;
inline constexpr int LENGTH_MACRO = 130;  // write and read
inline constexpr int LENGTH_FIRMWARE_CHUNK = 1034;

// First delay of the acknowledgement wait after a successful write, in ms.
inline constexpr uint32_t FIRST_WAIT_STATUS_REQUEST_MS = 300;
inline constexpr uint32_t FIRST_WAIT_PROFILE_MS = 300;
inline constexpr uint32_t FIRST_WAIT_MAIN_SETTINGS_MS = 200;
inline constexpr uint32_t FIRST_WAIT_BUTTON_MAP_MS = 300;
inline constexpr uint32_t FIRST_WAIT_OTG_SPEED_MS = 100;
inline constexpr uint32_t FIRST_WAIT_MACRO_MS = 300;
inline constexpr uint32_t FIRST_WAIT_FIRMWARE_CHUNK_MS = 1000;

// Byte 1 of the status report as read: the acknowledgement status.
inline constexpr uint8_t ACK_STATUS_DONE = 1;
inline constexpr uint8_t ACK_STATUS_BUSY = 3;

// Retry schedule of the acknowledgement wait.
inline constexpr int ACK_MAX_READS = 10;
inline constexpr uint32_t ACK_SECOND_DELAY_MS = 1000;
inline constexpr uint32_t ACK_THIRD_DELAY_MS = 1500;
inline constexpr uint32_t ACK_LATER_DELAY_MS = 2000;

// Read-request items (byte 2 of the status report as written).
inline constexpr uint8_t STATUS_ITEM_MAIN_SETTINGS = 0x10;

// Checksummed reports: bytes summed and where the 16-bit sum goes (low byte first).
inline constexpr int BUTTON_MAP_CHECKSUM_OFFSET = 48;        // sums bytes 0..47
inline constexpr int FIRMWARE_CHUNK_CHECKSUM_OFFSET = 1032;  // sums bytes 0..1031

// Firmware chunk layout.
inline constexpr int FIRMWARE_CHUNK_COUNT = 3;
inline constexpr int FIRMWARE_CHUNK_PAYLOAD_OFFSET = 8;
inline constexpr int FIRMWARE_CHUNK_PAYLOAD_MAX = 1024;

// Button function code that the macro test commands give the chosen button.
inline constexpr uint8_t BUTTON_CODE_MACRO = 0x10;

// Button map layout: entry i (button i + 1) at 3 + 3 * i, two zero bytes after it.
inline constexpr int BUTTON_COUNT = 15;
inline constexpr int BUTTON_MAP_FIRST_ENTRY = 3;
inline constexpr int BUTTON_MAP_ENTRY_STRIDE = 3;

}  // namespace talun
