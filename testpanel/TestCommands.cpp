#include "testpanel/TestCommands.h"

#include <algorithm>

#include "protocol/SettingsReports.h"
#include "protocol/StatusReport.h"

namespace talun {

namespace {

inline constexpr int FIXED_BUTTON = 1;
inline constexpr uint8_t FIXED_BUTTON_EXTRA1 = 0x02;
inline constexpr uint8_t FIXED_BUTTON_EXTRA2 = 0x01;

std::vector<MacroEntry> AllLettersAToY() {
    std::vector<MacroEntry> entries;
    for (uint8_t key = KEY_A; key <= KEY_Y; ++key) {
        entries.push_back({key, KEY_ACTION_DOWN});
        entries.push_back({key, KEY_ACTION_UP});
    }
    return entries;
}

void SendAndAcknowledge(CoreContext& ctx, const Report& report, uint32_t firstWaitMs) {
    // Test commands never look at the outcome.
    if (SendFeatureReport(ctx.device, report))
        WaitForAcknowledge(ctx.device, ctx.clock, firstWaitMs);
}

std::optional<Report> Query(CoreContext& ctx, uint8_t profileId, uint8_t item, uint8_t replyId,
                            int replyLength) {
    SendAndAcknowledge(ctx, BuildStatusRequest(profileId, item), FIRST_WAIT_STATUS_REQUEST_MS);
    // The read goes out whether or not the request was taken.
    Report reply = MakeReport(replyId, replyLength);
    if (!ReadFeatureReport(ctx.device, reply)) return std::nullopt;
    return reply;
}

uint8_t LowByte(int32_t value) {
    return static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

const std::vector<MacroDefinition>& MacroDefinitions() {
    static const std::vector<MacroDefinition> definitions = {
        {COMMAND_ABCD_1_TIMES,
         "ABCD(1 Times)",
         1000,
         1,
         {{0x01, KEY_A}, {0x81, KEY_A}, {0x01, KEY_B}, {0x81, KEY_B}, {0x01, KEY_C}, {0x81, KEY_C}},
         true},
        {COMMAND_AB_2_TIMES,
         "AB (2 Times)",
         500,
         2,
         {{KEY_A, KEY_ACTION_DOWN},
          {KEY_A, KEY_ACTION_UP},
          {KEY_B, KEY_ACTION_DOWN},
          {KEY_B, KEY_ACTION_UP}},
         false},
        {COMMAND_A_DELAY_B,
         "A(Delay)B",
         2000,
         1,
         {{KEY_A, 0x05},
          {0x01, 0xFF},
          {KEY_A, KEY_ACTION_UP},
          {KEY_B, KEY_ACTION_DOWN},
          {KEY_B, KEY_ACTION_UP}},
         false},
        {COMMAND_A_TO_Y_1_TIMES, "A...Y(1 Times)", 2000, 1, AllLettersAToY(), false},
        {COMMAND_CTRL_C,
         "Ctrl + C",
         500,
         1,
         {{KEY_LEFT_CONTROL, KEY_ACTION_DOWN},
          {KEY_C, KEY_ACTION_DOWN},
          {KEY_C, KEY_ACTION_UP},
          {KEY_LEFT_CONTROL, KEY_ACTION_UP}},
         false},
        {COMMAND_CTRL_V,
         "Ctrl + V",
         1000,
         1,
         {{KEY_LEFT_CONTROL, KEY_ACTION_DOWN},
          {KEY_V, KEY_ACTION_DOWN},
          {KEY_V, KEY_ACTION_UP},
          {KEY_LEFT_CONTROL, KEY_ACTION_UP}},
         false},
    };
    return definitions;
}

const MacroDefinition* FindMacroDefinition(int commandId) {
    for (const MacroDefinition& macro : MacroDefinitions()) {
        if (macro.commandId == commandId) return &macro;
    }
    return nullptr;
}

bool IsTestPanelCommand(int commandId) {
    return TestPanelCommandCaption(commandId) != nullptr;
}

const char* TestPanelCommandCaption(int commandId) {
    switch (commandId) {
        case COMMAND_SEND_PROFILE_ID:
            return "Send Profile Id";
        case COMMAND_QUERY_MAIN_SETTING:
            return "Query Main Setting";
        case COMMAND_QUERY_MACRO:
            return "Query Macro";
        default:
            break;
    }
    const MacroDefinition* macro = FindMacroDefinition(commandId);
    return macro ? macro->caption : nullptr;
}

Report BuildMacroReport(const MacroDefinition& macro, uint8_t profileId, uint8_t buttonNumber) {
    return BuildMacroReport(profileId, buttonNumber, macro.playCount, macro.entries);
}

Report BuildMacroButtonMap(const MacroDefinition& macro, DeviceSettings& settings,
                           uint8_t profileId, int buttonNumber) {
    settings.ButtonCode(buttonNumber) = BUTTON_CODE_MACRO;
    Report report =
        BuildButtonMapReport(macro.fixedButtonOne ? 0 : profileId, settings.ButtonCodes());
    if (macro.fixedButtonOne) {
        SetButtonMapEntryOptions(report, buttonNumber, FIXED_BUTTON_EXTRA1, FIXED_BUTTON_EXTRA2);
    }
    return report;
}

void SendProfileId(CoreContext& ctx, const TestPanelValues& values) {
    SendAndAcknowledge(ctx, BuildProfileReport(LowByte(values.profileId)), FIRST_WAIT_PROFILE_MS);
}

std::optional<Report> QueryMainSetting(CoreContext& ctx, const TestPanelValues& values) {
    return Query(ctx, LowByte(values.profileId), STATUS_ITEM_MAIN_SETTINGS, REPORT_MAIN_SETTINGS,
                 LENGTH_MAIN_SETTINGS_READ);
}

std::optional<Report> QueryMacro(CoreContext& ctx, const TestPanelValues& values) {
    return Query(ctx, LowByte(values.profileId), LowByte(values.buttonNumber), REPORT_MACRO,
                 LENGTH_MACRO);
}

void RunMacroCommand(CoreContext& ctx, const MacroDefinition& macro, TestPanelValues& values) {
    // Values come from a successful exchange; anything else never reaches the mouse.
    const bool inRange = values.profileId >= PROFILE_ID_MIN && values.profileId <= PROFILE_ID_MAX &&
                         values.buttonNumber >= BUTTON_NUMBER_MIN &&
                         values.buttonNumber <= BUTTON_NUMBER_MAX;
    if (!inRange) return;
    if (macro.fixedButtonOne) values.buttonNumber = FIXED_BUTTON;
    const uint8_t profileId = LowByte(values.profileId);
    SendAndAcknowledge(
        ctx, BuildMacroButtonMap(macro, ctx.state.deviceSettings, profileId, values.buttonNumber),
        FIRST_WAIT_BUTTON_MAP_MS);
    ctx.clock.Sleep(macro.pauseMs);
    SendAndAcknowledge(ctx, BuildMacroReport(macro, profileId, LowByte(values.buttonNumber)),
                       FIRST_WAIT_MACRO_MS);
}

std::optional<Report> RunTestPanelCommand(CoreContext& ctx, int commandId,
                                          TestPanelValues& values) {
    switch (commandId) {
        case COMMAND_SEND_PROFILE_ID:
            SendProfileId(ctx, values);
            return std::nullopt;
        case COMMAND_QUERY_MAIN_SETTING:
            return QueryMainSetting(ctx, values);
        case COMMAND_QUERY_MACRO:
            return QueryMacro(ctx, values);
        default:
            break;
    }
    if (const MacroDefinition* macro = FindMacroDefinition(commandId)) {
        RunMacroCommand(ctx, *macro, values);
    }
    return std::nullopt;
}

}  // namespace talun
