// --metrics FILE: the station's figures (StationMetrics), the file rewritten
// atomically on every change so that a node exporter's textfile collector
// never reads half of it. Every call may come from any slot's worker.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "monitor/StationMetrics.h"

namespace talun::monitor {

class MetricsFile {
  public:
    // Says a write that failed (the station goes on without its figures).
    using Warn = std::function<void(const std::string&)>;

    // Writes the file with every series at zero. Nothing, and error set, when
    // it cannot be written: the station must not start blind.
    static std::unique_ptr<MetricsFile> Open(const std::string& path, StationMetrics::Info info,
                                             Warn warn, std::string& error);
    MetricsFile(const MetricsFile&) = delete;
    MetricsFile& operator=(const MetricsFile&) = delete;

    // As StationMetrics's, each followed by the file's rewrite.
    void OnUpdateStarted(int slot);
    void OnUpdateFinished(int slot, bool updated, const std::string& failedStep,
                          const std::string& how, uint64_t durationMs);
    const std::string& Path() const { return path_; }

  private:
    struct Key {};  // only Open makes one

  public:
    MetricsFile(Key, std::string path, StationMetrics::Info info, Warn warn);

  private:
    bool WriteLocked(std::string& error);
    void RewriteLocked();

    std::string path_;
    Warn warn_;
    std::mutex mutex_;
    StationMetrics metrics_;
    std::string lastError_;  // said once until a write succeeds again
};

}  // namespace talun::monitor
