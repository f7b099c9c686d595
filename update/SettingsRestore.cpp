#include "update/SettingsRestore.h"

#include "device/Checksum.h"
#include "device/ReportCatalogue.h"
#include "update/DefaultSettings.h"

namespace talun {

namespace {

inline constexpr int RESTORE_PROFILE_INDEX = 0;

// Main settings report: which byte of the record goes to which offset.
struct Placement {
    int offset;
    int recordByte;
};
const Placement kMainSettingsLayout[] = {
    {3, 1},   {4, 2},   {5, 3},   {6, 4},   {7, 5},   {8, 6},   {9, 7},   {10, 8},
    {11, 4},  {12, 5},  {13, 6},  {14, 7},  {15, 8},  {16, 14}, {17, 9},  {18, 10},
    {19, 11}, {20, 12}, {21, 13}, {22, 15}, {23, 16}, {24, 17}, {25, 18}, {26, 19},
    {27, 20}, {28, 21}, {29, 22}, {30, 23}, {31, 24}, {32, 25}, {34, 27},
};
inline constexpr int MAIN_SETTINGS_BREATHING_OFFSET = 33;
inline constexpr int MAIN_SETTINGS_FIXED_OFFSET = 35;
inline constexpr uint8_t MAIN_SETTINGS_FIXED_VALUE = 4;
inline constexpr int MAIN_SETTINGS_PROFILE_CODE_OFFSET = 36;

inline constexpr int OTG_SPEED_RECORD_BYTE = 44;
inline constexpr uint8_t OTG_SPEED_BYTE3 = 3;
inline constexpr uint8_t OTG_SPEED_BYTE4 = 6;

StepOutcome RunStep(CoreContext& ctx, UpdateStep step, const Report& report, uint32_t firstWaitMs) {
    ctx.observer.OnStepStarted(step);
    const StepOutcome outcome = WriteAndAcknowledge(ctx, report, firstWaitMs);
    ctx.observer.OnStepFinished(step, outcome);
    return outcome;
}

}  // namespace

Report BuildProfileReport(uint8_t profile) {
    Report report = MakeReport(REPORT_PROFILE, LENGTH_PROFILE);
    report[1] = LENGTH_PROFILE;
    report[2] = profile;
    return report;
}

Report BuildMainSettingsReport(const DeviceSettings& settings, int breathingMode,
                               int profileIndex) {
    Report report = MakeReport(REPORT_MAIN_SETTINGS, LENGTH_MAIN_SETTINGS_WRITE);
    report[1] = LENGTH_MAIN_SETTINGS_WRITE;
    report[2] = static_cast<uint8_t>(profileIndex);
    for (const Placement& p : kMainSettingsLayout) report[p.offset] = settings.bytes[p.recordByte];
    report[MAIN_SETTINGS_BREATHING_OFFSET] = static_cast<uint8_t>(breathingMode & 0xFF);
    report[MAIN_SETTINGS_FIXED_OFFSET] = MAIN_SETTINGS_FIXED_VALUE;
    report[MAIN_SETTINGS_PROFILE_CODE_OFFSET] = ProfileIndexCodes.at(profileIndex);
    return report;
}

Report BuildButtonMapReport(uint8_t profileByte,
                            const std::array<uint8_t, BUTTON_CODE_COUNT>& codes) {
    Report report = MakeReport(REPORT_BUTTON_MAP, LENGTH_BUTTON_MAP);
    report[1] = LENGTH_BUTTON_MAP;
    report[2] = profileByte;
    for (int i = 0; i < BUTTON_CODE_COUNT; ++i) {
        report[BUTTON_MAP_FIRST_ENTRY + BUTTON_MAP_ENTRY_STRIDE * i] = codes[i];
    }
    StoreByteSum16(report.data(), BUTTON_MAP_CHECKSUM_OFFSET);
    return report;
}

Report BuildOtgSpeedReport(const DeviceSettings& settings) {
    Report report = MakeReport(REPORT_OTG_SPEED, LENGTH_OTG_SPEED);
    report[1] = LENGTH_OTG_SPEED;
    report[2] = settings.bytes[OTG_SPEED_RECORD_BYTE];
    report[3] = OTG_SPEED_BYTE3;
    report[4] = OTG_SPEED_BYTE4;
    return report;
}

std::array<uint8_t, BUTTON_CODE_COUNT> ButtonCodes(const DeviceSettings& settings) {
    std::array<uint8_t, BUTTON_CODE_COUNT> codes{};
    for (int i = 0; i < BUTTON_CODE_COUNT; ++i) codes[i] = settings.ButtonCode(i);
    return codes;
}

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
                                        ButtonCodes(ctx.state.deviceSettings)),
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
