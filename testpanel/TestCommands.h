// The test panel's commands: select a profile, read back the main settings or a
// macro, and write one of six fixed keyboard macros to a button.
//
// Each command assumes the entry boxes were exchanged successfully (see
// SaveEntryBoxes); the front end runs that first and sends nothing when it fails.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "device/Transport.h"
#include "protocol/MacroReport.h"
#include "testpanel/EntryBoxes.h"
#include "update/ToolState.h"

namespace talun {

// Control identifiers of the commands.
inline constexpr int COMMAND_ABCD_1_TIMES = 1006;
inline constexpr int COMMAND_AB_2_TIMES = 1008;
inline constexpr int COMMAND_QUERY_MAIN_SETTING = 1009;
inline constexpr int COMMAND_A_DELAY_B = 1010;
inline constexpr int COMMAND_SEND_PROFILE_ID = 1011;
inline constexpr int COMMAND_A_TO_Y_1_TIMES = 1013;
inline constexpr int COMMAND_QUERY_MACRO = 1014;
inline constexpr int COMMAND_CTRL_C = 1015;
inline constexpr int COMMAND_CTRL_V = 1016;

struct MacroDefinition {
    int commandId;
    const char* caption;
    uint32_t pauseMs;  // after the button map
    uint8_t playCount;
    std::vector<MacroEntry> entries;
    // "ABCD(1 Times)": always button 1, profile byte 0 in the button map, and the
    // chosen entry carries 0x02 0x01 after its code.
    bool fixedButtonOne;
};

// The six macro commands, in control order; and one by its identifier.
const std::vector<MacroDefinition>& MacroDefinitions();
const MacroDefinition* FindMacroDefinition(int commandId);
bool IsTestPanelCommand(int commandId);
const char* TestPanelCommandCaption(int commandId);  // nullptr for other ids

Report BuildMacroReport(const MacroDefinition& macro, uint8_t profileId, uint8_t buttonNumber);
// The button map of a macro command; sets ButtonCodeTable[button] to the macro code.
Report BuildMacroButtonMap(const MacroDefinition& macro, DeviceSettings& settings,
                           uint8_t profileId, int buttonNumber);

// "Send Profile Id".
void SendProfileId(CoreContext& ctx, const TestPanelValues& values);
// "Query Main Setting" and "Query Macro": the reply, when the read succeeded.
std::optional<Report> QueryMainSetting(CoreContext& ctx, const TestPanelValues& values);
std::optional<Report> QueryMacro(CoreContext& ctx, const TestPanelValues& values);
// One of the six macro commands. May change values.buttonNumber ("ABCD(1 Times)").
void RunMacroCommand(CoreContext& ctx, const MacroDefinition& macro, TestPanelValues& values);

// Runs the command with this identifier; the reply of a query, if any.
std::optional<Report> RunTestPanelCommand(CoreContext& ctx, int commandId, TestPanelValues& values);

}  // namespace talun
