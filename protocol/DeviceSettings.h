// DeviceSettings: the 45-byte default settings record written to the mouse after
// the firmware, its ButtonCodeTable (bytes 29..43) and the default values.
//
//   byte  0      current profile            -> REPORT_PROFILE byte 2
//   bytes 1..28  main settings              -> REPORT_MAIN_SETTINGS (see SettingsReports.h)
//   bytes 29..43 ButtonCodeTable, buttons 1..15 -> REPORT_BUTTON_MAP bytes 3, 6, ... 45
//   byte  44     on-the-go speed            -> REPORT_OTG_SPEED byte 2
#pragma once

#include <array>
#include <cstdint>

namespace talun {

inline constexpr int DEVICE_SETTINGS_SIZE = 45;
inline constexpr int BUTTON_CODE_TABLE_OFFSET = 29;
// The mouse's buttons, and so the entries of ButtonCodeTable.
inline constexpr int BUTTON_CODE_COUNT = 15;
inline constexpr int DEVICE_SETTINGS_CURRENT_PROFILE_BYTE = 0;
inline constexpr int DEVICE_SETTINGS_OTG_SPEED_BYTE = 44;
inline constexpr uint8_t OTG_SPEED_DEFAULT = 0x0A;

// Button function code that the macro test commands give the chosen button.
inline constexpr uint8_t BUTTON_CODE_MACRO = 0x10;

// Entry i: the function code of the mouse's button i + 1.
using ButtonCodeTable = std::array<uint8_t, BUTTON_CODE_COUNT>;

// What ButtonCodeTable receives on every settings restore.
inline constexpr ButtonCodeTable DefaultButtonCodes = {1,  2, 3, 7, 8, 14, 15, 32,
                                                       31, 0, 0, 0, 0, 9,  10};

// Bytes 0..28 of the default record, in order.
inline constexpr std::array<uint8_t, BUTTON_CODE_TABLE_OFFSET> DefaultMainSettingBytes = {
    0x00,                                // 0 current profile
    0x0A, 0x0A,                          // 1, 2 sensitivity X, Y
    0x1F, 0x08, 0x10, 0x20, 0x40, 0x50,  // 3..8
    0x0F, 0x12, 0x11, 0x13, 0x14,        // 9..13
    0x01, 0x01,                          // 14, 15
    0x02,                                // 16 polling rate
    0x00,                                // 17 right/left-hand assignment
    0x11,                                // 18 button configuration
    0x00, 0x01,                          // 19, 20 colour types
    0x01, 0x01,                          // 21, 22 light effect switches
    0x00, 0x01,                          // 23, 24 light effect types
    0x00, 0x00,                          // 25, 26 colour options
    0x00, 0x00,                          // 27, 28 colour change modes
};

struct DeviceSettings {
    std::array<uint8_t, DEVICE_SETTINGS_SIZE> bytes{};

    // ButtonCodeTable entry i: the function code of the mouse's button i + 1.
    uint8_t& ButtonCode(int i) { return bytes.at(BUTTON_CODE_TABLE_OFFSET + i); }
    uint8_t ButtonCode(int i) const { return bytes.at(BUTTON_CODE_TABLE_OFFSET + i); }

    ButtonCodeTable ButtonCodes() const {
        ButtonCodeTable codes{};
        for (int i = 0; i < BUTTON_CODE_COUNT; ++i) codes[i] = ButtonCode(i);
        return codes;
    }
};

// The default record: DefaultMainSettingBytes, DefaultButtonCodes, OTG_SPEED_DEFAULT.
inline constexpr std::array<uint8_t, DEVICE_SETTINGS_SIZE> DefaultSettingsBytes() {
    std::array<uint8_t, DEVICE_SETTINGS_SIZE> bytes{};
    for (int i = 0; i < BUTTON_CODE_TABLE_OFFSET; ++i) bytes[i] = DefaultMainSettingBytes[i];
    for (int i = 0; i < BUTTON_CODE_COUNT; ++i) {
        bytes[BUTTON_CODE_TABLE_OFFSET + i] = DefaultButtonCodes[i];
    }
    bytes[DEVICE_SETTINGS_OTG_SPEED_BYTE] = OTG_SPEED_DEFAULT;
    return bytes;
}

}  // namespace talun
