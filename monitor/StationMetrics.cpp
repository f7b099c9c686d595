#include "monitor/StationMetrics.h"

#include <cstdio>

namespace talun::monitor {

namespace {

inline constexpr char METRIC_PREFIX[] = "talun_r5_";

void Family(std::string& text, const char* name, const char* type, const char* help) {
    text += std::string("# HELP ") + METRIC_PREFIX + name + " " + help + "\n";
    text += std::string("# TYPE ") + METRIC_PREFIX + name + " " + type + "\n";
}

void Sample(std::string& text, const std::string& name, const std::string& labels,
            const std::string& value) {
    text += METRIC_PREFIX + name + (labels.empty() ? "" : "{" + labels + "}") + " " + value + "\n";
}

std::string Label(const char* name, const std::string& value) {
    return std::string(name) + "=\"" + MetricsLabelValue(value) + "\"";
}

// Shortest text without an exponent that reads back as the same number: "2.5",
// "60", "0.125".
std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    for (int precision = 1; precision < 17; ++precision) {
        char shorter[32];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, value);
        double back = 0;
        const bool exponent = std::string(shorter).find('e') != std::string::npos;
        if (!exponent && std::sscanf(shorter, "%lf", &back) == 1 && back == value) return shorter;
    }
    return text;
}

}  // namespace

std::string MetricsLabelValue(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '"')
            escaped += "\\\"";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

void StationMetrics::OnUpdateFinished(int slot, bool updated, const std::string& failedStep,
                                      const std::string& how, uint64_t durationMs) {
    busy_.erase(slot);
    ++(updated ? updated_ : notUpdated_);
    if (!updated) ++failures_[{failedStep, how}];
    const double seconds = static_cast<double>(durationMs) / 1000.0;
    for (std::size_t i = 0; i < METRICS_DURATION_BUCKETS_S.size(); ++i) {
        if (seconds <= METRICS_DURATION_BUCKETS_S[i]) {
            ++bucketCounts_[i];
            break;
        }
    }
    ++durationCount_;
    durationSumS_ += seconds;
}

std::string StationMetrics::Exposition() const {
    std::string text;
    Family(text, "mice_total", "counter", "Mice whose update ended, by outcome.");
    Sample(text, "mice_total", Label("outcome", "updated"), std::to_string(updated_));
    Sample(text, "mice_total", Label("outcome", "not_updated"), std::to_string(notUpdated_));

    Family(text, "failures_total", "counter",
           "Mice not updated, by the first step that failed and how it failed.");
    for (const auto& [key, count] : failures_)
        Sample(text, "failures_total", Label("step", key.first) + "," + Label("how", key.second),
               std::to_string(count));

    Family(text, "update_duration_seconds", "histogram",
           "Duration of each update, from its start to its outcome.");
    uint64_t cumulative = 0;
    for (std::size_t i = 0; i < METRICS_DURATION_BUCKETS_S.size(); ++i) {
        cumulative += bucketCounts_[i];
        Sample(text, "update_duration_seconds_bucket",
               Label("le", Number(METRICS_DURATION_BUCKETS_S[i])), std::to_string(cumulative));
    }
    Sample(text, "update_duration_seconds_bucket", Label("le", "+Inf"),
           std::to_string(durationCount_));
    Sample(text, "update_duration_seconds_sum", "", Number(durationSumS_));
    Sample(text, "update_duration_seconds_count", "", std::to_string(durationCount_));

    Family(text, "slots_busy", "gauge", "Ports (slots) with an update in progress now.");
    Sample(text, "slots_busy", "", std::to_string(Busy()));

    Family(text, "info", "gauge", "The station: its name, the program's version and the image.");
    Sample(text, "info",
           Label("station", info_.station) + "," + Label("version", info_.version) + "," +
               Label("firmware_sha256", info_.firmwareSha256),
           "1");
    return text;
}

}  // namespace talun::monitor
