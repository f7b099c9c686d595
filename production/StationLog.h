// The production log of a station (--log FILE): two JSON lines per mouse, each
// appended whole with one write and flushed to the disk: a started record
// before the mouse's first write, and its outcome record before the outcome is
// shown, so that a crash or a power cut never loses a mouse that was reported,
// and a mouse cut off in the middle shows as started without an outcome. The
// two share an "id". What they hold:
//   {"record":"started","id":"2026-12-08T02:39:58.001Z/4","time":"2026-12-08T02:40:00.123Z",
//    "host":"station-3","station":"line 3","label":"A4","port":"1-1.4","serial":"R5-0001",
//    "slot":0,"lot":"L-17","firmware_size":3068,"firmware_sha256":"…","version":"3.01",
//    "command":"watch"}
//   {"record":"outcome", the same id, time, host, station, label, port, serial, slot,
//    lot, firmware_size and firmware_sha256, then "outcome":"not-updated",
//    "failed_step":"firmware part 2 of 3","failure":"refused","duration_ms":5234,
// (the update run's, from "UPDATING...." to the outcome)
//    "version":"3.01","command":"watch","mouse":4}
// label, port, serial, station and lot are null when not known or not given.
// Logs written before started records hold outcome records without record and
// id, and without the fields of the mouse's identity.
// failed_step and failure are null for a mouse that was updated; failure is
// "refused" (the driver library refused the write), "not acknowledged: busy",
// "not acknowledged: error status N", "not acknowledged: status unreadable" or
// "image refused" (the image may not go through this driver library).
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "production/StationFile.h"
#include "production/TransferCheck.h"
#include "update/ToolState.h"

namespace talun::production {

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
class RunRecorder final : public ForwardingObserver {
  public:
    RunRecorder(UpdateObserver& inner, const TransferCheck& transfers, const Clock& clock)
        : ForwardingObserver(inner), transfers_(transfers), clock_(clock) {}

    void OnStatusChanged(UpdateStatus status) override;
    void OnStepStarted(UpdateStep step) override;
    void OnStepFinished(UpdateStep step, StepOutcome outcome) override;
    // Called as each run starts, before its first write (the started record).
    void OnRunStarting(std::function<void()> hook) { onRunStarting_ = std::move(hook); }
    // The run was cut short by an exception: that is its failure, at the step
    // in progress (none when it came after the last step).
    void NoteThrown(const std::string& reason);
    // From "UPDATING...." to the outcome of the last run.
    uint64_t DurationMs() const { return endMs_ - startMs_; }
    // The steps of the last run (or of the run in progress) and their outcomes.
    using StepRecord = std::pair<UpdateStep, StepOutcome>;
    const std::vector<StepRecord>& Steps() const { return steps_; }

    struct Failure {
        std::optional<UpdateStep> step;
        std::string how;
        std::string driverError;  // the driver library's own reason, when it gave one
    };
    // The first step that failed in the last run; nothing when none did.
    const std::optional<Failure>& FirstFailure() const { return failure_; }

  private:
    const TransferCheck& transfers_;
    const Clock& clock_;
    uint64_t startMs_ = 0;
    uint64_t endMs_ = 0;
    std::optional<Failure> failure_;
    std::optional<UpdateStep> running_;  // started and not finished
    std::vector<StepRecord> steps_;
    bool allSkipped_ = true;
    std::function<void()> onRunStarting_;
};

// The log of a command, when --log names one.
class StationLog {
  public:
    // What every record of this run says besides the mouse.
    struct Context {
        std::string station;  // empty: none named
        std::string lot;      // empty: none given
        std::string firmwareSha256;
        std::string version;  // the program's
    };
    // Nothing without a path; else the open log, or nothing with error set.
    static std::optional<StationLog> Open(const std::string& path, std::string& error);
    // What the records say besides the mouse, once the session knows it.
    void SetContext(Context context) { context_ = std::move(context); }

    // The started record of a mouse, before its first write. Its id, which its
    // outcome record repeats; nothing, and error set, when it was not written.
    std::optional<std::string> WriteStarted(const MouseTag& tag, const std::string& command,
                                            std::string& error);

    struct Mouse {
        std::string command;  // "update" or "watch"
        int number = 0;       // the mouse's number in this run of the command
        MouseTag tag;
        std::string id;  // its started record's; empty: none was written
        UpdateStatus status = UpdateStatus::NotUpdated;
        std::optional<RunRecorder::Failure> failure;
        uint64_t durationMs = 0;
    };
    // The mouse as the recorder saw its run.
    static Mouse MouseOf(const std::string& command, int number, const MouseTag& tag,
                         const std::string& id, UpdateStatus status, const RunRecorder& recorder) {
        return {command, number, tag, id, status, recorder.FirstFailure(), recorder.DurationMs()};
    }
    // Appends the mouse's outcome record; false, and error set, when it was not
    // written.
    bool Write(const Mouse& mouse, std::string& error);
    const std::string& Path() const { return path_; }

  private:
    StationLog(std::string path, std::unique_ptr<LogFile> file, bool breakFirst);
    // The fields that every record of the mouse has.
    nlohmann::ordered_json Common(const std::string& record, const std::string& id,
                                  const MouseTag& tag) const;
    bool Append(const nlohmann::ordered_json& record, std::string& error);

    std::string path_;
    std::unique_ptr<LogFile> file_;
    std::string host_;
    Context context_;
    std::string runId_;  // when this run opened the log: ids are runId_/n
    // Mice of a station start and end on workers of their own.
    std::unique_ptr<std::mutex> mutex_ = std::make_unique<std::mutex>();
    int started_ = 0;  // guarded by mutex_
    bool breakFirst_;  // the file ends in a torn line: begin with a line end; guarded by mutex_
};

}  // namespace talun::production
