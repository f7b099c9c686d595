// The station's figures for a monitoring server, in the Prometheus text
// exposition format (version 0.0.4), as a node exporter's textfile collector
// reads them: mice by outcome, failures by step and how, a histogram of update
// durations, the slots busy now and an info series naming the station and its
// image. Not thread-safe: its owner serialises the calls.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>

namespace talun::monitor {

// Upper bounds of the duration histogram's buckets, in seconds: an update takes
// 3.5 s at best and over a minute when the mouse keeps saying Busy.
inline constexpr std::array<double, 10> METRICS_DURATION_BUCKETS_S = {2.5, 5,  7.5, 10,  15,
                                                                      20,  30, 60,  120, 300};

class StationMetrics {
  public:
    struct Info {
        std::string version;
        std::string firmwareSha256;
        std::string station;
    };
    explicit StationMetrics(Info info) : info_(std::move(info)) {}

    // The update of the mouse in slot has started.
    void OnUpdateStarted(int slot) { busy_.insert(slot); }
    // The update of the mouse in slot has ended. failedStep and how are empty
    // when it was updated.
    void OnUpdateFinished(int slot, bool updated, const std::string& failedStep,
                          const std::string& how, uint64_t durationMs);

    int Busy() const { return static_cast<int>(busy_.size()); }
    // The whole file, every series there from the start (zero until counted).
    std::string Exposition() const;

  private:
    Info info_;
    std::set<int> busy_;  // slots with an update in progress
    uint64_t updated_ = 0;
    uint64_t notUpdated_ = 0;
    std::map<std::pair<std::string, std::string>, uint64_t> failures_;  // (step, how) -> count
    std::array<uint64_t, METRICS_DURATION_BUCKETS_S.size()> bucketCounts_{};  // not cumulative
    uint64_t durationCount_ = 0;
    double durationSumS_ = 0;
};

// text as a label value: backslash, double quote and line end escaped.
std::string MetricsLabelValue(const std::string& text);

}  // namespace talun::monitor
