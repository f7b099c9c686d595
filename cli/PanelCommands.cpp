// The production test panel's nine commands from the command line: the profile
// and button arguments go through the window's entry-box rules and messages.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

#include "cli/Commands.h"
#include "console/InterruptHold.h"
#include "device/TransferTrace.h"
#include "production/TransferCheck.h"
#include "testpanel/EntryBoxes.h"
#include "testpanel/TestCommands.h"

namespace talun::cli {

namespace {

inline constexpr std::size_t HEX_BYTES_PER_LINE = 16;

// "  0010: 0A 0B ..." lines of 16 bytes.
void SayHexDump(const Output& out, const Report& bytes) {
    for (std::size_t offset = 0; offset < bytes.size(); offset += HEX_BYTES_PER_LINE) {
        const std::size_t count = std::min(HEX_BYTES_PER_LINE, bytes.size() - offset);
        char label[32];
        std::snprintf(label, sizeof label, "  %04X: ", static_cast<unsigned>(offset));
        out.Say(label + HexBytes(bytes.data() + offset, count));
    }
}

std::string Plural(int n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string DescribeCounts(const TransferCounts& counts) {
    std::string text = Plural(counts.written, "report") + " written";
    if (counts.refused) text += ", " + std::to_string(counts.refused) + " refused";
    if (counts.unacknowledged)
        text += ", " + std::to_string(counts.unacknowledged) + " not acknowledged";
    if (counts.reads) text += ", " + Plural(counts.reads, "read");
    if (counts.failedReads) text += " (" + std::to_string(counts.failedReads) + " failed)";
    return text;
}

}  // namespace

const std::vector<PanelCommandName>& PanelCommandNames() {
    static const std::vector<PanelCommandName> names = {
        {"profile-select", COMMAND_SEND_PROFILE_ID},
        {"query-main-setting", COMMAND_QUERY_MAIN_SETTING},
        {"query-macro", COMMAND_QUERY_MACRO},
    };
    return names;
}

const std::vector<PanelCommandName>& MacroCommandNames() {
    static const std::vector<PanelCommandName> names = {
        {"abcd-1-time", COMMAND_ABCD_1_TIMES},
        {"ab-2-times", COMMAND_AB_2_TIMES},
        {"a-delay-b", COMMAND_A_DELAY_B},
        {"a-to-y-1-time", COMMAND_A_TO_Y_1_TIMES},
        {"ctrl-c", COMMAND_CTRL_C},
        {"ctrl-v", COMMAND_CTRL_V},
    };
    return names;
}

int RunPanelCommand(const std::string& commandName, int commandId, const PanelArguments& arguments,
                    const SessionOptions& options, const Output& out) {
    // The window's exchange: profile id first, then button number; the first
    // box that fails ends it and nothing is sent.
    TestPanelValues values;
    const std::optional<ExchangeFailure> failure = SaveEntryBoxes(values, [&](int boxId) {
        return boxId == ENTRY_BOX_PROFILE_ID ? arguments.profileId : arguments.buttonNumber;
    });
    if (failure) {
        const char* option = failure->boxId == ENTRY_BOX_PROFILE_ID ? "--profile" : "--button";
        return out.Fail(commandName, "bad-usage", EXIT_USAGE,
                        std::string(option) + ": " + failure->message);
    }

    // An interrupt never cuts the command's writes short.
    const console::InterruptHold hold;
    if (!hold.Problem().empty()) out.Warn(hold.Problem());
    int exitCode = EXIT_FAILED;
    std::unique_ptr<ToolSession> session = OpenToolSession(commandName, options, out, exitCode);
    if (!session) return exitCode;

    const int givenButton = values.buttonNumber;
    const MacroDefinition* macro = FindMacroDefinition(commandId);
    out.Say(std::string(TestPanelCommandCaption(commandId)) + ": profile " +
            std::to_string(values.profileId) + ", button " + std::to_string(givenButton));
    if (macro != nullptr && macro->fixedButtonOne) out.Say("this macro always goes to button 1");

    UpdateObserver quiet;
    TransferCheck check(session->Device());
    CoreContext ctx = session->Context(quiet, check);
    std::string driverError;
    if (!ctx.device.OpenFeatureDevice()) {
        driverError = session->DriverErrorText();
        out.Say(WithReason("no mouse found: the feature device did not open", driverError));
    }
    const std::optional<Report> reply = RunTestPanelCommand(ctx, commandId, values);

    const bool isQuery =
        commandId == COMMAND_QUERY_MAIN_SETTING || commandId == COMMAND_QUERY_MACRO;
    const TransferCounts counts = check.Counts();
    const bool done = counts.AllWell() && (!isQuery || reply.has_value());
    if (!done) SayDriverError(*session, out, driverError);
    ctx.device.CloseFeatureDevice();
    if (isQuery && reply) {
        out.Say("reply (" + std::to_string(reply->size()) + " bytes):");
        SayHexDump(out, *reply);
    } else if (isQuery) {
        out.Say("no reply: the mouse could not be read");
    }
    out.Say((done ? "done: " : "failed: ") + DescribeCounts(counts));
    exitCode = done ? EXIT_DONE : EXIT_FAILED;

    nlohmann::ordered_json report = {{"command", commandName},
                                     {"caption", TestPanelCommandCaption(commandId)},
                                     {"profile", values.profileId},
                                     {"button", values.buttonNumber},
                                     {"outcome", done ? "done" : "failed"},
                                     {"written", counts.written},
                                     {"refused", counts.refused},
                                     {"not_acknowledged", counts.unacknowledged},
                                     {"reads", counts.reads},
                                     {"failed_reads", counts.failedReads}};
    if (isQuery) {
        report["reply"] = reply ? nlohmann::ordered_json(HexBytes(reply->data(), reply->size()))
                                : nlohmann::ordered_json();
    }
    if (!driverError.empty()) report["driver_error"] = driverError;
    report["exit"] = exitCode;
    out.Emit(report);
    return exitCode;
}

}  // namespace talun::cli
