// The settings reports: REPORT_PROFILE (0x05), REPORT_MAIN_SETTINGS (0x06),
// REPORT_BUTTON_MAP (0x07) and REPORT_OTG_SPEED (0x08). In each, as written,
// byte 1 holds the report's own length; bytes not listed are zero.
//
//   0x05, 3 bytes:   0: 0x05  1: 3  2: profile
//   0x06, 37 bytes:  0: 0x06  1: 37  2: profile index p  3..32, 34: DeviceSettings
//                    bytes (MainSettingsLayout)  33: BreathingMode  35: 4
//                    36: ProfileIndexCodes[p]. Read back with length 35.
//   0x07, 50 bytes:  0: 0x07  1: 50  2: profile  3 + 3*i: ButtonCodeTable[i]
//                    (4 + 3*i, 5 + 3*i zero but for a macro button's options)
//                    48, 49: byte sum of 0..47, low byte first
//   0x08, 6 bytes:   0: 0x08  1: 6  2: on-the-go speed  3: 3  4: 6  5: 0
#pragma once

#include <array>
#include <cstdint>

#include "protocol/DeviceSettings.h"
#include "protocol/Report.h"

namespace talun {

inline constexpr uint8_t REPORT_PROFILE = 0x05;
inline constexpr uint8_t REPORT_MAIN_SETTINGS = 0x06;
inline constexpr uint8_t REPORT_BUTTON_MAP = 0x07;
inline constexpr uint8_t REPORT_OTG_SPEED = 0x08;

inline constexpr int LENGTH_PROFILE = 3;
inline constexpr int LENGTH_MAIN_SETTINGS_WRITE = 37;
inline constexpr int LENGTH_MAIN_SETTINGS_READ = 35;
inline constexpr int LENGTH_BUTTON_MAP = 50;
inline constexpr int LENGTH_OTG_SPEED = 6;

// First delay of the acknowledgement wait after a successful write, in ms.
inline constexpr uint32_t FIRST_WAIT_PROFILE_MS = 300;
inline constexpr uint32_t FIRST_WAIT_MAIN_SETTINGS_MS = 200;
inline constexpr uint32_t FIRST_WAIT_BUTTON_MAP_MS = 300;
inline constexpr uint32_t FIRST_WAIT_OTG_SPEED_MS = 100;

// Byte 1 of every settings report; byte 2 the profile (or profile index).
inline constexpr int SETTINGS_LENGTH_OFFSET = 1;
inline constexpr int SETTINGS_PROFILE_OFFSET = 2;

inline constexpr int PROFILE_COUNT = 5;
// Byte 36 of the main settings report for profile index 0..4.
inline constexpr std::array<uint8_t, PROFILE_COUNT> ProfileIndexCodes = {3, 5, 1, 2, 4};

// Main settings report: which byte of DeviceSettings goes to which offset.
struct MainSettingsPlacement {
    int offset;
    int recordByte;
};
inline constexpr MainSettingsPlacement MainSettingsLayout[] = {
    {3, 1},   {4, 2},   {5, 3},   {6, 4},   {7, 5},   {8, 6},   {9, 7},   {10, 8},
    {11, 4},  {12, 5},  {13, 6},  {14, 7},  {15, 8},  {16, 14}, {17, 9},  {18, 10},
    {19, 11}, {20, 12}, {21, 13}, {22, 15}, {23, 16}, {24, 17}, {25, 18}, {26, 19},
    {27, 20}, {28, 21}, {29, 22}, {30, 23}, {31, 24}, {32, 25}, {34, 27},
};
inline constexpr int MAIN_SETTINGS_BREATHING_OFFSET = 33;
inline constexpr int MAIN_SETTINGS_FIXED_OFFSET = 35;
inline constexpr uint8_t MAIN_SETTINGS_FIXED_VALUE = 4;
inline constexpr int MAIN_SETTINGS_PROFILE_CODE_OFFSET = 36;

inline constexpr int BUTTON_MAP_FIRST_ENTRY = 3;
inline constexpr int BUTTON_MAP_ENTRY_STRIDE = 3;
inline constexpr int BUTTON_MAP_CHECKSUM_OFFSET = 48;  // sums bytes 0..47

inline constexpr int OTG_SPEED_VALUE_OFFSET = 2;
inline constexpr int OTG_SPEED_TAIL_OFFSET = 3;
inline constexpr std::array<uint8_t, 3> OtgSpeedTail = {3, 6, 0};  // bytes 3..5

// Where ButtonCodeTable entry i (button i + 1) stands in the button map.
inline constexpr int ButtonMapEntryOffset(int i) {
    return BUTTON_MAP_FIRST_ENTRY + BUTTON_MAP_ENTRY_STRIDE * i;
}

inline Report BuildProfileReport(uint8_t profile) {
    Report report = MakeReport(REPORT_PROFILE, LENGTH_PROFILE);
    report[SETTINGS_LENGTH_OFFSET] = LENGTH_PROFILE;
    report[SETTINGS_PROFILE_OFFSET] = profile;
    return report;
}

inline Report BuildMainSettingsReport(const DeviceSettings& settings, int breathingMode,
                                      int profileIndex) {
    Report report = MakeReport(REPORT_MAIN_SETTINGS, LENGTH_MAIN_SETTINGS_WRITE);
    report[SETTINGS_LENGTH_OFFSET] = LENGTH_MAIN_SETTINGS_WRITE;
    report[SETTINGS_PROFILE_OFFSET] = static_cast<uint8_t>(profileIndex);
    for (const MainSettingsPlacement& p : MainSettingsLayout) {
        report[p.offset] = settings.bytes[p.recordByte];
    }
    report[MAIN_SETTINGS_BREATHING_OFFSET] = static_cast<uint8_t>(breathingMode & 0xFF);
    report[MAIN_SETTINGS_FIXED_OFFSET] = MAIN_SETTINGS_FIXED_VALUE;
    report[MAIN_SETTINGS_PROFILE_CODE_OFFSET] = ProfileIndexCodes.at(profileIndex);
    return report;
}

// codes[i] goes to entry i; the two bytes after each entry stay zero.
inline Report BuildButtonMapReport(uint8_t profileByte, const ButtonCodeTable& codes) {
    Report report = MakeReport(REPORT_BUTTON_MAP, LENGTH_BUTTON_MAP);
    report[SETTINGS_LENGTH_OFFSET] = LENGTH_BUTTON_MAP;
    report[SETTINGS_PROFILE_OFFSET] = profileByte;
    for (int i = 0; i < BUTTON_CODE_COUNT; ++i) report[ButtonMapEntryOffset(i)] = codes[i];
    StoreByteSum16(report.data(), BUTTON_MAP_CHECKSUM_OFFSET);
    return report;
}

// Puts macro options into the two bytes after entry button and sums the map again.
inline void SetButtonMapEntryOptions(Report& buttonMap, int button, uint8_t first, uint8_t second) {
    const int entry = ButtonMapEntryOffset(button);
    buttonMap.at(entry + 1) = first;
    buttonMap.at(entry + 2) = second;
    StoreByteSum16(buttonMap.data(), BUTTON_MAP_CHECKSUM_OFFSET);
}

inline Report BuildOtgSpeedReport(const DeviceSettings& settings) {
    Report report = MakeReport(REPORT_OTG_SPEED, LENGTH_OTG_SPEED);
    report[SETTINGS_LENGTH_OFFSET] = LENGTH_OTG_SPEED;
    report[OTG_SPEED_VALUE_OFFSET] = settings.bytes[DEVICE_SETTINGS_OTG_SPEED_BYTE];
    for (std::size_t i = 0; i < OtgSpeedTail.size(); ++i) {
        report[OTG_SPEED_TAIL_OFFSET + i] = OtgSpeedTail[i];
    }
    return report;
}

}  // namespace talun
