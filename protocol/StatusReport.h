// REPORT_STATUS (0x04), 3 bytes, both ways.
//
//   read (the acknowledgement):  0: 0x04   1: AckStatus   2: not examined
//   write (a read request):      0: 0x04   1: profile id  2: item to read
#pragma once

#include <cstdint>

#include "protocol/Report.h"

namespace talun {

inline constexpr uint8_t REPORT_STATUS = 0x04;
inline constexpr int LENGTH_STATUS = 3;
inline constexpr int STATUS_ACK_OFFSET = 1;
inline constexpr int STATUS_REQUEST_PROFILE_OFFSET = 1;
inline constexpr int STATUS_REQUEST_ITEM_OFFSET = 2;
// First delay of the acknowledgement wait after a read request, in ms.
inline constexpr uint32_t FIRST_WAIT_STATUS_REQUEST_MS = 300;

// Byte 1 of the status report as read. Any other value counts as a failure.
enum class AckStatus : uint8_t { Done = 1, Busy = 3 };

// Read-request items: the main settings, or a button number 0..14 for its macro.
inline constexpr uint8_t STATUS_ITEM_MAIN_SETTINGS = 0x10;

inline Report BuildStatusRequest(uint8_t profileId, uint8_t item) {
    Report report = MakeReport(REPORT_STATUS, LENGTH_STATUS);
    report[STATUS_REQUEST_PROFILE_OFFSET] = profileId;
    report[STATUS_REQUEST_ITEM_OFFSET] = item;
    return report;
}

}  // namespace talun
