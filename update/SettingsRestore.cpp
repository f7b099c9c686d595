#include "update/SettingsRestore.h"

#include "update/DefaultSettings.h"

namespace talun {

namespace {

inline constexpr int RESTORE_PROFILE_INDEX = 0;

StepOutcome RunStep(CoreContext& ctx, UpdateStep step, const Report& report, uint32_t firstWaitMs) {
    ctx.observer.OnStepStarted(step);
    const StepOutcome outcome = WriteAndAcknowledge(ctx, report, firstWaitMs);
    ctx.observer.OnStepFinished(step, outcome);
    return outcome;
}

}  // namespace

StepOutcome WriteAndAcknowledge(CoreContext& ctx, const Report& report, uint32_t firstWaitMs) {
    if (!SendFeatureReport(ctx.device, report)) return StepOutcome::WriteRefused;
    return WaitForAcknowledge(ctx.device, ctx.clock, firstWaitMs) ? StepOutcome::Acknowledged
                                                                  : StepOutcome::NotAcknowledged;
}

StepOutcome SendProfile(CoreContext& ctx) {
    return RunStep(ctx, UpdateStep::Profile, BuildProfileReport(ctx.state.deviceSettings.bytes[0]),
                   FIRST_WAIT_PROFILE_MS);
}

StepOutcome SendMainSettings(CoreContext& ctx, int profileIndex) {
    return RunStep(
        ctx, UpdateStep::MainSettings,
        BuildMainSettingsReport(ctx.state.deviceSettings, ctx.state.BreathingMode, profileIndex),
        FIRST_WAIT_MAIN_SETTINGS_MS);
}

StepOutcome SendButtonMap(CoreContext& ctx, int profileIndex) {
    return RunStep(ctx, UpdateStep::ButtonMap,
                   BuildButtonMapReport(static_cast<uint8_t>(profileIndex),
                                        ctx.state.deviceSettings.ButtonCodes()),
                   FIRST_WAIT_BUTTON_MAP_MS);
}

int SendOtgSpeed(CoreContext& ctx) {
    return RunStep(ctx, UpdateStep::OtgSpeed, BuildOtgSpeedReport(ctx.state.deviceSettings),
                   FIRST_WAIT_OTG_SPEED_MS) == StepOutcome::Acknowledged
               ? 1
               : 0;
}

int RestoreSettings(CoreContext& ctx) {
    ReadDefaultSettings(ctx, ctx.state.deviceSettings);
    bool all = SendProfile(ctx) == StepOutcome::Acknowledged;
    all = SendMainSettings(ctx, RESTORE_PROFILE_INDEX) == StepOutcome::Acknowledged && all;
    all = SendButtonMap(ctx, RESTORE_PROFILE_INDEX) == StepOutcome::Acknowledged && all;
    all = SendOtgSpeed(ctx) != 0 && all;
    return all ? 1 : 0;
}

}  // namespace talun
