// Writing the default settings to the mouse: profile, main settings, button map
// and on-the-go speed reports.
#pragma once

#include <array>
#include <cstdint>

#include "device/ToolState.h"
#include "device/Transport.h"

namespace talun {

inline constexpr int PROFILE_COUNT = 5;
// Byte 36 of the main settings report for profile index 0..4.
inline constexpr std::array<uint8_t, PROFILE_COUNT> ProfileIndexCodes = {3, 5, 1, 2, 4};

Report BuildProfileReport(uint8_t profile);
Report BuildMainSettingsReport(const DeviceSettings& settings, int breathingMode, int profileIndex);
// codes[i] goes to entry i; extra[i] (two bytes) after it, zero in the restore's form.
Report BuildButtonMapReport(uint8_t profileByte,
                            const std::array<uint8_t, BUTTON_CODE_COUNT>& codes);
Report BuildOtgSpeedReport(const DeviceSettings& settings);

// The ButtonCodeTable of settings as an array.
std::array<uint8_t, BUTTON_CODE_COUNT> ButtonCodes(const DeviceSettings& settings);

// Writes report and, only when that succeeded, waits for its acknowledgement.
StepOutcome WriteAndAcknowledge(CoreContext& ctx, const Report& report, uint32_t firstWaitMs);

StepOutcome SendProfile(CoreContext& ctx);
StepOutcome SendMainSettings(CoreContext& ctx, int profileIndex);
StepOutcome SendButtonMap(CoreContext& ctx, int profileIndex);
// 1 when the report was written and acknowledged, else 0.
int SendOtgSpeed(CoreContext& ctx);

// Rebuilds the defaults (default.ini included) into ctx.state and writes all four
// reports, each whatever became of the one before. Nonzero only when all four
// were written and acknowledged: a settings report the mouse never took is not
// a restored mouse.
int RestoreSettings(CoreContext& ctx);

}  // namespace talun
