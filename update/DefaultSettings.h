// The default settings record and the settings file default.ini.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/DeviceSettings.h"
#include "update/ToolState.h"

namespace talun {

inline constexpr char SETTINGS_FILE_NAME[] = "default.ini";
inline constexpr std::size_t SETTINGS_VALUE_BUFFER = 300;
inline constexpr int DEFAULT_BREATHING_MODE = 2;

// Parses text as scanf's "%x" does: leading white space skipped, an optional
// sign, an optional 0x prefix, then hexadecimal digits up to the first other
// character. Nothing when no digit follows or the number does not fit 32 bits.
std::optional<uint32_t> ParseHexValue(const std::string& text);

// Where default.ini is looked for; nothing when the path does not fit.
std::optional<std::string> SettingsFilePath(const ToolState& state);

// Fills record with the defaults and sets state.BreathingMode from the file's
// "Main Setting" / "Breathing" (1, 2 or 4; anything else gives 2). Reads each
// key of the file in the record's order. Always returns 1.
int ReadDefaultSettings(CoreContext& ctx, DeviceSettings& record);

}  // namespace talun
