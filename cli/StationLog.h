// The production log of a station (--log FILE): one JSON line per mouse,
// appended whole with one write and flushed to the disk before the mouse's
// outcome is shown, so that a crash or a power cut never loses a mouse that was
// reported. What a line holds:
//   {"time":"2026-12-08T02:40:00.123Z","host":"station-3","slot":0,
//    "firmware_size":3068,"firmware_sha256":"…","outcome":"not-updated",
//    "failed_step":"firmware part 2 of 3","failure":"refused","duration_ms":5234,
// (the update run's, from "UPDATING...." to the outcome)
//    "version":"3.01","command":"watch","mouse":4}
// failed_step and failure are null for a mouse that was updated; failure is
// "refused" (the driver library refused the write), "not acknowledged: busy",
// "not acknowledged: error status N", "not acknowledged: status unreadable" or
// "image refused" (the image may not go through this driver library).
#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "cli/TransferCheck.h"
#include "update/ToolState.h"

namespace talun::cli {

// A file that is only ever appended to, each append flushed to the disk.
class LogFile {
  public:
    // Opens (or creates) the file for appending; nothing, and error set, when it
    // cannot be opened or written.
    static std::unique_ptr<LogFile> Open(const std::string& path, std::string& error);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Writes text with one write and flushes it to the disk (fsync,
    // FlushFileBuffers); false, and error set, when either failed.
    bool Append(const std::string& text, std::string& error);

  private:
    struct Handle;
    explicit LogFile(std::unique_ptr<Handle> handle);
    std::unique_ptr<Handle> handle_;
};

// This computer's name; empty when the system does not say.
std::string HostName();
// time as a calendar date and time in UTC; false when the system cannot say.
bool UtcCalendar(std::time_t time, std::tm& calendar);
// Now, in UTC: "2026-12-08T02:40:00.123Z".
std::string UtcTimestamp();

// Follows an update run for the log: passes everything on to the front end's
// observer, and keeps the run's duration and the first step that failed and how.
class RunRecorder final : public UpdateObserver {
  public:
    RunRecorder(UpdateObserver& inner, const TransferCheck& transfers, const Clock& clock)
        : inner_(inner), transfers_(transfers), clock_(clock) {}

    void OnStatusChanged(UpdateStatus status) override;
    void OnRefreshStatusArea() override { inner_.OnRefreshStatusArea(); }
    void OnRepaintWindow() override { inner_.OnRepaintWindow(); }
    void OnWaitCursor(bool on) override { inner_.OnWaitCursor(on); }
    void OnStepStarted(UpdateStep step) override { inner_.OnStepStarted(step); }
    void OnStepFinished(UpdateStep step, StepOutcome outcome) override;
    // From "UPDATING...." to the outcome of the last run.
    uint64_t DurationMs() const { return endMs_ - startMs_; }

    struct Failure {
        UpdateStep step;
        std::string how;
    };
    // The first step that failed in the last run; nothing when none did.
    const std::optional<Failure>& FirstFailure() const { return failure_; }

  private:
    UpdateObserver& inner_;
    const TransferCheck& transfers_;
    const Clock& clock_;
    uint64_t startMs_ = 0;
    uint64_t endMs_ = 0;
    std::optional<Failure> failure_;
    bool allSkipped_ = true;
};

// The log of a command, when --log names one.
class StationLog {
  public:
    // Nothing without a path; else the open log, or nothing with error set.
    static std::optional<StationLog> Open(const std::string& path, std::string& error);

    struct Mouse {
        std::string command;  // "update" or "watch"
        int number = 0;       // the mouse's number in this run of the command
        int slot = 0;
        UpdateStatus status = UpdateStatus::NotUpdated;
        std::optional<RunRecorder::Failure> failure;
        uint64_t durationMs = 0;
    };
    // The mouse as the recorder saw its run.
    static Mouse MouseOf(const std::string& command, int number, int slot, UpdateStatus status,
                         const RunRecorder& recorder) {
        return {command, number, slot, status, recorder.FirstFailure(), recorder.DurationMs()};
    }
    // Appends the mouse's line; false, and error set, when it was not written.
    bool Write(const Mouse& mouse, const std::string& firmwareSha256, std::string& error);
    const std::string& Path() const { return path_; }

  private:
    StationLog(std::string path, std::unique_ptr<LogFile> file, bool breakFirst);
    std::string path_;
    std::unique_ptr<LogFile> file_;
    std::string host_;
    bool breakFirst_;  // the file ends in a torn line: begin with a line end
};

}  // namespace talun::cli
