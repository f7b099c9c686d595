#include "testpanel/TestCommands.h"

#include <algorithm>

#include "device/Checksum.h"

#include "device/ReportCatalogue.h"
#include "update/SettingsRestore.h"

namespace talun {

namespace {

inline constexpr uint8_t KEY_DOWN = 0x00;
inline constexpr uint8_t KEY_UP = 0x80;
inline constexpr uint8_t KEY_A = 0x04;
inline constexpr uint8_t KEY_B = 0x05;
inline constexpr uint8_t KEY_C = 0x06;
inline constexpr uint8_t KEY_V = 0x19;
inline constexpr uint8_t KEY_Y = 0x1C;
inline constexpr uint8_t KEY_LEFT_CONTROL = 0xE0;

inline constexpr int MACRO_PROFILE_OFFSET = 2;
inline constexpr int MACRO_BUTTON_OFFSET = 3;
inline constexpr int MACRO_PLAY_COUNT_OFFSET = 4;
inline constexpr int MACRO_MARK_OFFSET = 5;  // bytes 5 and 6
inline constexpr uint8_t MACRO_MARK = 0x41;
inline constexpr int MACRO_ENTRY_COUNT_OFFSET = 29;
inline constexpr int MACRO_FIRST_ENTRY_OFFSET = 30;
inline constexpr int MACRO_MAX_ENTRIES = 50;

inline constexpr int FIXED_BUTTON = 1;
inline constexpr uint8_t FIXED_BUTTON_EXTRA1 = 0x02;
inline constexpr uint8_t FIXED_BUTTON_EXTRA2 = 0x01;

std::vector<MacroEntry> AllLettersAToY() {
    std::vector<MacroEntry> entries;
    for (uint8_t key = KEY_A; key <= KEY_Y; ++key) {
        entries.push_back({key, KEY_DOWN});
        entries.push_back({key, KEY_UP});
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
         {{KEY_A, KEY_DOWN}, {KEY_A, KEY_UP}, {KEY_B, KEY_DOWN}, {KEY_B, KEY_UP}},
         false},
        {COMMAND_A_DELAY_B,
         "A(Delay)B",
         2000,
         1,
         {{KEY_A, 0x05}, {0x01, 0xFF}, {KEY_A, KEY_UP}, {KEY_B, KEY_DOWN}, {KEY_B, KEY_UP}},
         false},
        {COMMAND_A_TO_Y_1_TIMES, "A...Y(1 Times)", 2000, 1, AllLettersAToY(), false},
        {COMMAND_CTRL_C,
         "Ctrl + C",
         500,
         1,
         {{KEY_LEFT_CONTROL, KEY_DOWN},
          {KEY_C, KEY_DOWN},
          {KEY_C, KEY_UP},
          {KEY_LEFT_CONTROL, KEY_UP}},
         false},
        {COMMAND_CTRL_V,
         "Ctrl + V",
         1000,
         1,
         {{KEY_LEFT_CONTROL, KEY_DOWN},
          {KEY_V, KEY_DOWN},
          {KEY_V, KEY_UP},
          {KEY_LEFT_CONTROL, KEY_UP}},
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

Report BuildStatusRequest(uint8_t profileId, uint8_t item) {
    Report report = MakeReport(REPORT_STATUS, LENGTH_STATUS);
    report[1] = profileId;
    report[2] = item;
    return report;
}

Report BuildMacroReport(const MacroDefinition& macro, uint8_t profileId, uint8_t buttonNumber) {
    Report report = MakeReport(REPORT_MACRO, LENGTH_MACRO);
    report[1] = LENGTH_MACRO;
    report[MACRO_PROFILE_OFFSET] = profileId;
    report[MACRO_BUTTON_OFFSET] = buttonNumber;
    report[MACRO_PLAY_COUNT_OFFSET] = macro.playCount;
    report[MACRO_MARK_OFFSET] = MACRO_MARK;
    report[MACRO_MARK_OFFSET + 1] = MACRO_MARK;
    const std::size_t count = std::min<std::size_t>(macro.entries.size(), MACRO_MAX_ENTRIES);
    report[MACRO_ENTRY_COUNT_OFFSET] = static_cast<uint8_t>(count);
    for (std::size_t i = 0; i < count; ++i) {
        report[MACRO_FIRST_ENTRY_OFFSET + 2 * i] = macro.entries[i].key;
        report[MACRO_FIRST_ENTRY_OFFSET + 2 * i + 1] = macro.entries[i].action;
    }
    return report;
}

Report BuildMacroButtonMap(const MacroDefinition& macro, DeviceSettings& settings,
                           uint8_t profileId, int buttonNumber) {
    settings.ButtonCode(buttonNumber) = BUTTON_CODE_MACRO;
    Report report =
        BuildButtonMapReport(macro.fixedButtonOne ? 0 : profileId, ButtonCodes(settings));
    if (macro.fixedButtonOne) {
        const int entry = BUTTON_MAP_FIRST_ENTRY + BUTTON_MAP_ENTRY_STRIDE * buttonNumber;
        report[entry + 1] = FIXED_BUTTON_EXTRA1;
        report[entry + 2] = FIXED_BUTTON_EXTRA2;
        StoreByteSum16(report.data(), BUTTON_MAP_CHECKSUM_OFFSET);
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
