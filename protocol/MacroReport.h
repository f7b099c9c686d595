// REPORT_MACRO (0x09), 130 bytes, written and read back in the same layout.
//
//   0: 0x09  1: 130  2: profile id  3: button number  4: play count
//   5, 6: 0x41 0x41  7..28: zero  29: number of entries
//   30..129: entries of two bytes (key, action), room for 50; zero after the last
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "protocol/Report.h"

namespace talun {

inline constexpr uint8_t REPORT_MACRO = 0x09;
inline constexpr int LENGTH_MACRO = 130;
inline constexpr uint32_t FIRST_WAIT_MACRO_MS = 300;

inline constexpr int MACRO_LENGTH_OFFSET = 1;
inline constexpr int MACRO_PROFILE_OFFSET = 2;
inline constexpr int MACRO_BUTTON_OFFSET = 3;
inline constexpr int MACRO_PLAY_COUNT_OFFSET = 4;
inline constexpr int MACRO_MARK_OFFSET = 5;  // bytes 5 and 6
inline constexpr uint8_t MACRO_MARK = 0x41;
inline constexpr int MACRO_PADDING_OFFSET = 7;  // bytes 7..28 are zero
inline constexpr int MACRO_ENTRY_COUNT_OFFSET = 29;
inline constexpr int MACRO_FIRST_ENTRY_OFFSET = 30;
inline constexpr int MACRO_MAX_ENTRIES = 50;

// Keys of the USB HID keyboard usage page (0x04..0x1C: A..Y), and the actions.
inline constexpr uint8_t KEY_A = 0x04;
inline constexpr uint8_t KEY_B = 0x05;
inline constexpr uint8_t KEY_C = 0x06;
inline constexpr uint8_t KEY_V = 0x19;
inline constexpr uint8_t KEY_Y = 0x1C;
inline constexpr uint8_t KEY_LEFT_CONTROL = 0xE0;
inline constexpr uint8_t KEY_ACTION_DOWN = 0x00;
inline constexpr uint8_t KEY_ACTION_UP = 0x80;

struct MacroEntry {
    uint8_t key;
    uint8_t action;
};

// At most MACRO_MAX_ENTRIES of entries are sent.
inline Report BuildMacroReport(uint8_t profileId, uint8_t buttonNumber, uint8_t playCount,
                               const std::vector<MacroEntry>& entries) {
    Report report = MakeReport(REPORT_MACRO, LENGTH_MACRO);
    report[MACRO_LENGTH_OFFSET] = LENGTH_MACRO;
    report[MACRO_PROFILE_OFFSET] = profileId;
    report[MACRO_BUTTON_OFFSET] = buttonNumber;
    report[MACRO_PLAY_COUNT_OFFSET] = playCount;
    report[MACRO_MARK_OFFSET] = MACRO_MARK;
    report[MACRO_MARK_OFFSET + 1] = MACRO_MARK;
    const std::size_t count = std::min<std::size_t>(entries.size(), MACRO_MAX_ENTRIES);
    report[MACRO_ENTRY_COUNT_OFFSET] = static_cast<uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        report[MACRO_FIRST_ENTRY_OFFSET + 2 * i] = entries[i].key;
        report[MACRO_FIRST_ENTRY_OFFSET + 2 * i + 1] = entries[i].action;
    }
    return report;
}

}  // namespace talun
