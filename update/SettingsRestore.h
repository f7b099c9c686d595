// Writing the default settings to the mouse: profile, main settings, button map
// and on-the-go speed reports.
#pragma once

#include <array>
#include <cstdint>

#include "device/Transport.h"
#include "protocol/SettingsReports.h"
#include "update/ToolState.h"

namespace talun {

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
