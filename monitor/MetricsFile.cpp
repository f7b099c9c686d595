#include "monitor/MetricsFile.h"

#include "monitor/ReplaceFile.h"

namespace talun::monitor {

MetricsFile::MetricsFile(Key, std::string path, StationMetrics::Info info, Warn warn)
    : path_(std::move(path)), warn_(std::move(warn)), metrics_(std::move(info)) {}

std::unique_ptr<MetricsFile> MetricsFile::Open(const std::string& path, StationMetrics::Info info,
                                               Warn warn, std::string& error) {
    // No other thread sees the file yet.
    auto file = std::make_unique<MetricsFile>(Key{}, path, std::move(info), std::move(warn));
    if (file->WriteLocked(error)) return file;
    error = "--metrics: " + error;
    return nullptr;
}

bool MetricsFile::WriteLocked(std::string& error) {
    return ReplaceFileContent(path_, metrics_.Exposition(), error);
}

void MetricsFile::RewriteLocked() {
    std::string error;
    if (WriteLocked(error)) {
        lastError_.clear();
    } else if (error != lastError_) {
        lastError_ = error;
        if (warn_) warn_("the metrics file is not up to date: " + error);
    }
}

void MetricsFile::OnUpdateStarted(int slot) {
    std::lock_guard<std::mutex> lock(mutex_);
    metrics_.OnUpdateStarted(slot);
    RewriteLocked();
}

void MetricsFile::OnUpdateFinished(int slot, bool updated, const std::string& failedStep,
                                   const std::string& how, uint64_t durationMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    metrics_.OnUpdateFinished(slot, updated, failedStep, how, durationMs);
    RewriteLocked();
}

}  // namespace talun::monitor
