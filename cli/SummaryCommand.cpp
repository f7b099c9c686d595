// talun-r5 summary FILE: what a production log says: the tally, the mice whose
// update was interrupted, the failures by step, and mice per hour; with --csv,
// one row per mouse (LogCsv). A torn last line (a write that a crash cut short) is
// skipped and said; a line in the middle that is not a record is reported, and
// the rest is read.
#include <nlohmann/json.hpp>

#include <fstream>
#include <optional>
#include <sstream>

#include "cli/Commands.h"
#include "production/LogCsv.h"
#include "production/LogRecords.h"
#include "production/LogSummary.h"

namespace talun::cli {

namespace {

// Reads the log; nothing when it cannot be read at all.
std::optional<LogRecords> ReadLog(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    return ReadLogRecords(text.str());
}

}  // namespace

int RunSummaryCommand(const std::string& logPath, bool csv, const Output& out) {
    const std::optional<LogRecords> records = ReadLog(logPath);
    if (!records)
        return out.Fail("summary", "bad-usage", EXIT_USAGE, "cannot read the log " + logPath);
    for (const std::string& problem : records->problems) out.Warn(logPath + ": " + problem);
    if (records->tornLastLineBytes > 0)
        out.Warn(logPath + ": skipped a torn last line (" +
                 std::to_string(records->tornLastLineBytes) +
                 " bytes without a line end: the program writing it was stopped in the middle)");
    if (csv) {
        out.WriteExactly(LogCsv(*records));
        return EXIT_DONE;
    }
    LogSummary summary;
    for (const LoggedMouse& mouse : records->mice) summary.Add(mouse);

    const int interrupted = static_cast<int>(summary.interrupted.size());
    const int mice = summary.updated + summary.notUpdated + interrupted;
    out.Say("mice: " + std::to_string(mice) + " (" + std::to_string(summary.updated) +
            " updated, " + std::to_string(summary.notUpdated) + " not updated, " +
            std::to_string(interrupted) + " interrupted)");
    nlohmann::ordered_json interruptedJson = nlohmann::ordered_json::array();
    if (interrupted > 0) out.Say("interrupted (started, no outcome recorded):");
    for (const LoggedMouse* mouse : summary.interrupted) {
        out.Say("  " + DescribeInterrupted(*mouse));
        interruptedJson.push_back({{"time", mouse->Text("time")},
                                   {"label", mouse->Text("label")},
                                   {"port", mouse->Text("port")},
                                   {"serial", mouse->Text("serial")},
                                   {"lot", mouse->Text("lot")}});
    }
    nlohmann::ordered_json failures = nlohmann::ordered_json::object();
    if (!summary.failures.empty()) out.Say("failures by step:");
    for (const auto& [step, hows] : summary.failures) {
        int count = 0;
        std::string detail;
        for (const auto& [how, n] : hows) {
            count += n;
            detail += (detail.empty() ? "" : ", ") + std::to_string(n) + " " + how;
        }
        out.Say("  " + step + ": " + std::to_string(count) + " (" + detail + ")");
        failures[step] = hows;
    }
    const std::string perHour = MicePerHour(summary);
    out.Say("mice per hour: " + perHour);

    out.Emit({{"command", "summary"},
              {"mice", mice},
              {"updated", summary.updated},
              {"not_updated", summary.notUpdated},
              {"interrupted", interruptedJson},
              {"failures", failures},
              {"mice_per_hour", perHour},
              {"torn_last_line", records->tornLastLineBytes > 0},
              {"bad_lines", records->problems.size()}});
    return EXIT_DONE;
}

}  // namespace talun::cli
