#include "production/StationLog.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "update/FirmwareImage.h"

namespace talun::production {

namespace {

// Whether the file ends in a line without its line end (a write that a crash cut
// short): the next line must then start on a line of its own.
bool EndsInTornLine(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() <= 0) return false;
    in.seekg(-1, std::ios::end);
    char last = '\n';
    in.get(last);
    return last != '\n';
}

}  // namespace

std::string UtcTimestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto milliseconds = duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    std::tm calendar{};
    if (!UtcCalendar(system_clock::to_time_t(now), calendar)) return "";
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", calendar.tm_year + 1900,
                  calendar.tm_mon + 1, calendar.tm_mday, calendar.tm_hour, calendar.tm_min,
                  calendar.tm_sec, static_cast<int>(milliseconds.count() % 1000));
    return text;
}

void RunRecorder::OnStatusChanged(UpdateStatus status) {
    if (status == UpdateStatus::Updating) {
        if (onRunStarting_) onRunStarting_();
        failure_.reset();
        running_.reset();
        steps_.clear();
        allSkipped_ = true;
        startMs_ = endMs_ = clock_.NowMs();
    } else {
        endMs_ = clock_.NowMs();
    }
    ForwardingObserver::OnStatusChanged(status);
}

void RunRecorder::OnStepStarted(UpdateStep step) {
    running_ = step;
    ForwardingObserver::OnStepStarted(step);
}

void RunRecorder::NoteThrown(const std::string& reason) {
    failure_ = Failure{running_, reason, {}};
}

void RunRecorder::OnStepFinished(UpdateStep step, StepOutcome outcome) {
    running_.reset();
    steps_.emplace_back(step, outcome);
    ForwardingObserver::OnStepFinished(step, outcome);
    if (outcome != StepOutcome::Skipped) allSkipped_ = false;
    if (failure_) return;
    if (outcome == StepOutcome::WriteRefused) {
        failure_ = Failure{step, "refused", transfers_.DriverReason()};
    } else if (outcome == StepOutcome::NotAcknowledged) {
        const std::string problem = transfers_.AcknowledgeProblem();
        failure_ = Failure{step, "not acknowledged" + (problem.empty() ? "" : ": " + problem),
                           transfers_.DriverReason()};
    } else if (outcome == StepOutcome::Skipped && allSkipped_ &&
               step == UpdateStep::FirmwareChunk1) {
        // Nothing at all was sent: the image may not go through this library.
        failure_ = Failure{step, "image refused", {}};
    }
}

std::optional<StationLog> StationLog::Open(const std::string& path, std::string& error) {
    if (path.empty()) return std::nullopt;
    const bool torn = EndsInTornLine(path);
    std::unique_ptr<LogFile> file = LogFile::Open(path, error);
    if (!file) {
        error = "cannot open the log " + path + ": " + error;
        return std::nullopt;
    }
    // Nothing is written yet, but a file that cannot even be flushed is refused now.
    if (!file->Append("", error)) {
        error = "cannot write the log " + path + ": " + error;
        return std::nullopt;
    }
    return StationLog(path, std::move(file), torn);
}

StationLog::StationLog(std::string path, std::unique_ptr<LogFile> file, bool breakFirst)
    : path_(std::move(path)),
      file_(std::move(file)),
      host_(HostName()),
      runId_(UtcTimestamp()),
      breakFirst_(breakFirst) {}

nlohmann::ordered_json StationLog::Common(const std::string& record, const std::string& id,
                                          const MouseTag& tag) const {
    const auto textOrNull = [](const std::string& text) {
        return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
    };
    return {
        {"record", record},
        {"id", textOrNull(id)},
        {"time", UtcTimestamp()},
        {"host", host_},
        {"station", textOrNull(context_.station)},
        {"label", textOrNull(tag.label)},
        {"port", textOrNull(tag.port)},
        {"serial", textOrNull(tag.serial)},
        {"slot", tag.slot},
        {"lot", textOrNull(context_.lot)},
        {"firmware_size", FIRMWARE_IMAGE_SIZE},
        {"firmware_sha256", context_.firmwareSha256},
    };
}

std::optional<std::string> StationLog::WriteStarted(const MouseTag& tag, const std::string& command,
                                                    std::string& error) {
    std::string id;
    {
        std::lock_guard<std::mutex> lock(*mutex_);
        id = runId_ + "/" + std::to_string(++started_);
    }
    nlohmann::ordered_json record = Common("started", id, tag);
    record["version"] = context_.version;
    record["command"] = command;
    if (!Append(record, error)) return std::nullopt;
    return id;
}

bool StationLog::Write(const Mouse& mouse, std::string& error) {
    const bool updated = mouse.status == UpdateStatus::Updated;
    const nlohmann::ordered_json noValue;
    nlohmann::ordered_json record = Common("outcome", mouse.id, mouse.tag);
    record["outcome"] = updated ? "updated" : "not-updated";
    record["failed_step"] = mouse.failure && mouse.failure->step
                                ? nlohmann::ordered_json(UpdateStepName(*mouse.failure->step))
                                : noValue;
    record["failure"] = mouse.failure ? nlohmann::ordered_json(mouse.failure->how) : noValue;
    if (mouse.failure && !mouse.failure->driverError.empty())
        record["driver_error"] = mouse.failure->driverError;
    record["duration_ms"] = mouse.durationMs;
    record["version"] = context_.version;
    record["command"] = mouse.command;
    record["mouse"] = mouse.number;
    return Append(record, error);
}

bool StationLog::Append(const nlohmann::ordered_json& record, std::string& error) {
    std::lock_guard<std::mutex> lock(*mutex_);
    const std::string text =
        (breakFirst_ ? "\n" : "") +
        record.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    if (!file_->Append(text, error)) {
        error = "cannot write the log " + path_ + ": " + error;
        return false;
    }
    breakFirst_ = false;
    return true;
}

}  // namespace talun::production
