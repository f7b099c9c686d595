// talun-r5 summary FILE: what a production log says: the tally, the mice whose
// update was interrupted, the failures by step, and mice per hour; with --csv,
// one row per mouse (LogCsv). A torn last line (a write that a crash cut short) is
// skipped and said; a line in the middle that is not a record is reported, and
// the rest is read.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "cli/Commands.h"
#include "production/LogCsv.h"
#include "production/LogRecords.h"

namespace talun::cli {

namespace {

// Milliseconds since 1970 of "2026-12-08T02:40:00.123Z" (the milliseconds may
// be left out); nothing for other text.
std::optional<int64_t> ParseUtcTimestamp(const std::string& text) {
    int year, month, day, hour, minute, second, millisecond = 0;
    char end = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c", &year, &month,
                                   &day, &hour, &minute, &second, &millisecond, &end);
    if (fields != 8 && std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &year, &month, &day,
                                   &hour, &minute, &second, &end) != 7)
        return std::nullopt;
    if (end != 'Z' || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
    // Days from the civil date (proleptic Gregorian calendar).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const int64_t days = int64_t{era} * 146097 + dayOfEra - 719468;
    return ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + millisecond;
}

struct LogSummary {
    int updated = 0;
    int notUpdated = 0;
    std::vector<const LoggedMouse*> interrupted;
    std::map<std::string, std::map<std::string, int>> failures;  // step, then how
    std::optional<int64_t> firstStartMs, lastEndMs;

    void Add(const LoggedMouse& mouse) {
        if (mouse.Interrupted()) {
            interrupted.push_back(&mouse);
            return;
        }
        const nlohmann::json& record = mouse.outcome;
        const bool updated = mouse.Updated();
        ++(updated ? this->updated : notUpdated);
        if (!updated) {
            const auto& step = record.value("failed_step", nlohmann::json());
            const auto& how = record.value("failure", nlohmann::json());
            ++failures[step.is_string() ? step.get<std::string>() : "(none recorded)"]
                      [how.is_string() ? how.get<std::string>() : "(not said)"];
        }
        const auto end = ParseUtcTimestamp(record.value("time", ""));
        if (!end) return;
        const int64_t start = *end - record.value("duration_ms", int64_t{0});
        if (!firstStartMs || start < *firstStartMs) firstStartMs = start;
        if (!lastEndMs || *end > *lastEndMs) lastEndMs = *end;
    }
};

// Reads the log; nothing when it cannot be read at all.
std::optional<LogRecords> ReadLog(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    return ReadLogRecords(text.str());
}

// "A4 (port 1-1.4, serial R5-0001, lot L-17), started 2026-12-08T02:40:00.123Z".
std::string DescribeInterrupted(const LoggedMouse& mouse) {
    std::string what = mouse.Text("label");
    if (what.empty()) what = mouse.Text("port");
    if (what.empty()) what = "slot " + mouse.Text("slot");
    std::string detail;
    for (const char* key : {"port", "serial", "lot"}) {
        const std::string value = mouse.Text(key);
        if (!value.empty()) detail += (detail.empty() ? "" : ", ") + std::string(key) + " " + value;
    }
    if (!detail.empty()) what += " (" + detail + ")";
    return what + ", started " + mouse.Text("time");
}

std::string MicePerHour(const LogSummary& summary) {
    const int mice = summary.updated + summary.notUpdated;
    if (mice == 0 || !summary.lastEndMs || !summary.firstStartMs ||
        *summary.lastEndMs <= *summary.firstStartMs)
        return "-";
    const double hours = static_cast<double>(*summary.lastEndMs - *summary.firstStartMs) / 3.6e6;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", mice / hours);
    return text;
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
