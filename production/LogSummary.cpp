#include "production/LogSummary.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace talun::production {

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

void LogSummary::Add(const LoggedMouse& mouse) {
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

}  // namespace talun::production
