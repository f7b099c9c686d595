// A model of the Talun R5's side of the feature-report protocol.
//
// The mouse checks every report it is sent as the real one does (report ID, exact
// length, byte 1, checksums, zero padding, firmware chunk order), answers the
// status report, and keeps what it was sent. A report takes effect only when the
// host has read its Done status: that is the moment the mouse commits it. A fault
// plan makes the mouse and its library misbehave the way real hardware does.
//
// Not thread-safe: one caller at a time (the sim driver library holds a lock).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/Clock.h"
#include "protocol/Reports.h"

namespace talun::sim {

// Refuse the occurrence-th write (1-based) of reportId; occurrence 0 refuses every
// write of it. Occurrences count every SetFeature call carrying that ID.
struct WriteFault {
    uint8_t reportId = 0;
    int occurrence = 0;
};

// Status the mouse answers for a report it rejected.
inline constexpr uint8_t SIM_STATUS_ERROR = 2;

struct FaultPlan {
    // No mouse: OpenFeatureDevice fails and every write and read fails.
    bool absent = false;
    // The library refuses these writes: SetFeature returns 0, nothing reaches the mouse.
    std::vector<WriteFault> refusedWrites;
    // 1-based numbers of GetFeature calls (all of them, over the mouse's life) that fail.
    std::vector<int> failedReads;
    // Report ID -> status reads answered Busy after each accepted write of it.
    std::map<uint8_t, int> busyPolls;
    // Report ID -> status after the busy polls: 1 Done (the default), 0 or 2 an
    // error, 3 Busy for ever.
    std::map<uint8_t, uint8_t> finalStatus;
    // The mouse disappears right after this many accepted writes (counted over its
    // life); -1 never. Once it has happened the mouse sets this back to -1.
    int unplugAfterWrites = -1;

    // What the plan makes of the occurrence-th write of reportId (1-based).
    bool RefusesWrite(uint8_t reportId, int occurrence) const;
    // Whether the readNumber-th GetFeature call fails (1-based).
    bool FailsRead(int readNumber) const;
    // Status reads answered Busy after an accepted write of reportId.
    int BusyPollsAfter(uint8_t reportId) const;
    // The status after them; otherwise when the plan says nothing.
    uint8_t FinalStatusOf(uint8_t reportId, uint8_t otherwise) const;

    // Named faults, chained onto a sane mouse: FaultPlan().RefuseWrite(0x2A, 2).
    static FaultPlan AbsentMouse() {
        FaultPlan plan;
        plan.absent = true;
        return plan;
    }
    // The occurrence-th write of reportId (1-based); 0 every write of it.
    FaultPlan& RefuseWrite(uint8_t reportId, int occurrence = 0) {
        refusedWrites.push_back({reportId, occurrence});
        return *this;
    }
    // Every write of every report the tool sends.
    FaultPlan& RefuseEveryWrite() {
        for (uint8_t id : {REPORT_STATUS, REPORT_PROFILE, REPORT_MAIN_SETTINGS, REPORT_BUTTON_MAP,
                           REPORT_OTG_SPEED, REPORT_MACRO, REPORT_FIRMWARE_CHUNK})
            RefuseWrite(id);
        return *this;
    }
    // polls status reads answer Busy after each accepted write of reportId.
    FaultPlan& Busy(uint8_t reportId, int polls) {
        busyPolls[reportId] = polls;
        return *this;
    }
    // The status reads after each write of reportId answer Busy for ever.
    FaultPlan& BusyForever(uint8_t reportId) {
        finalStatus[reportId] = static_cast<uint8_t>(AckStatus::Busy);
        return *this;
    }
    // The status after each write of reportId is an error.
    FaultPlan& ErrorStatus(uint8_t reportId, uint8_t status = SIM_STATUS_ERROR) {
        finalStatus[reportId] = status;
        return *this;
    }
    FaultPlan& UnplugAfterWrites(int writes) {
        unplugAfterWrites = writes;
        return *this;
    }
};

struct TraceEntry {
    enum Direction { Set, Get };
    uint64_t timeMs = 0;
    Direction direction = Set;
    int length = 0;
    int result = 0;
    std::vector<uint8_t> bytes;  // as written, or as the buffer stood after the read
};

class SimMouse {
  public:
    explicit SimMouse(const Clock& clock, FaultPlan plan = {});

    // Plug and unplug. Unplugging closes the feature channel and loses a write that
    // was not yet acknowledged; what was committed stays.
    void SetPresent(bool present);
    // Plugged in and not absent by the fault plan.
    bool IsPresent() const;
    FaultPlan& Faults() { return plan_; }
    const FaultPlan& Faults() const { return plan_; }

    // --- The driver library's view -------------------------------------------
    // Nonzero when the mouse is present; the channel then stays open until closed
    // or unplugged.
    int OpenFeatureDevice();
    void CloseFeatureDevice();
    bool IsOpen() const { return open_; }
    // report[0] is the report ID; length counts it. 1: the library accepted the
    // write (the mouse may still reject the report: see the status report).
    int SetFeature(const uint8_t* report, int length);
    // buffer[0] holds the wanted ID: 0x04 (length 3), 0x06 (length 35) or 0x09
    // (length 130). 1: the reply stands in buffer[0 .. length-1].
    int GetFeature(uint8_t* buffer, int length);

    // --- What the mouse now holds ----------------------------------------------
    // Chunks 1, 2 and 3 committed in this order and the committed block equals
    // block3070 (image proper followed by the trailer 0x77 0x2E).
    bool HoldsCompleteImage(const std::vector<uint8_t>& block3070) const;
    // Chunks 1, 2 and 3 committed in order (the mouse checked the trailer on chunk 3).
    bool HoldsSomeCompleteImage() const { return chunksCommitted_ == 3; }
    // The committed firmware block so far (empty before chunk 1 is committed).
    std::vector<uint8_t> FirmwareBlock() const { return firmware_; }
    // Reports 0x05, 0x06 (profile 0), 0x07 (profile 0) and 0x08 committed with the
    // default bytes, report 0x06 carrying breathingMode in byte 33.
    bool HoldsDefaultSettings(int breathingMode) const;

    // The last committed report of each kind, byte for byte; empty when none was.
    std::vector<uint8_t> ProfileReport() const { return profileReport_; }
    std::vector<uint8_t> MainSettings(int profile) const;
    std::vector<uint8_t> ButtonMap(int profile) const;
    std::vector<uint8_t> Macro(int profile, int button) const;
    // The 15 function codes of a profile's committed button map; empty when none.
    std::vector<uint8_t> ButtonCodes(int profile) const;
    // Profile selected by the last committed report 0x05; 0 before any.
    int CurrentProfile() const { return currentProfile_; }

    // Counters per report ID: SetFeature calls, writes the library accepted, and
    // reports committed (Done read by the host).
    int SetCalls(uint8_t reportId) const { return CountOf(setCalls_, reportId); }
    int AcceptedWrites(uint8_t reportId) const { return CountOf(accepted_, reportId); }
    int Commits(uint8_t reportId) const { return CountOf(commits_, reportId); }
    int TotalAcceptedWrites() const { return acceptedTotal_; }
    int GetCalls() const { return getCalls_; }

    // Every SetFeature and GetFeature call, in order.
    const std::vector<TraceEntry>& Trace() const { return trace_; }
    // Keep entries in Trace() (the default); a long-running library turns this off
    // and takes each entry through the observer instead.
    void KeepTrace(bool keep) { keepTrace_ = keep; }
    void OnTransfer(std::function<void(const TraceEntry&)> observer) {
        onTransfer_ = std::move(observer);
    }
    // Called after each report the mouse commits, with its report ID.
    void OnCommit(std::function<void(uint8_t reportId)> observer) {
        onCommit_ = std::move(observer);
    }

    // The mouse's own knowledge: the default settings reports, byte for byte.
    static std::vector<uint8_t> DefaultProfileReport();
    static std::vector<uint8_t> DefaultMainSettingsReport(int breathingMode);
    static std::vector<uint8_t> DefaultButtonMapReport();
    static std::vector<uint8_t> DefaultOtgSpeedReport();

  private:
    struct Pending {
        std::vector<uint8_t> report;
        bool valid = false;
        int busyLeft = 0;
        uint8_t finalStatus = 1;
        bool committed = false;
    };

    void UnplugIfPlanned();
    bool IsValid(const std::vector<uint8_t>& report) const;
    void Commit(const std::vector<uint8_t>& report);
    uint8_t AnswerStatus();
    void AnswerMainSettings(uint8_t* buffer) const;
    void AnswerMacro(uint8_t* buffer) const;
    void Record(TraceEntry::Direction direction, const uint8_t* bytes, int length, int result);

    const Clock& clock_;
    FaultPlan plan_;
    bool present_ = true;
    bool open_ = false;

    std::optional<Pending> pending_;
    uint8_t lastStatusReport_ = 0;  // ID the status report is about; 0 before any write

    // Committed contents.
    std::vector<uint8_t> firmware_;  // committed block bytes, in chunk order
    int chunksCommitted_ = 0;        // 0..3 of the current sequence
    std::vector<uint8_t> profileReport_;
    int currentProfile_ = 0;
    std::array<std::vector<uint8_t>, PROFILE_COUNT> mainSettings_;
    std::array<std::vector<uint8_t>, PROFILE_COUNT> buttonMaps_;
    std::map<std::pair<int, int>, std::vector<uint8_t>> macros_;
    std::vector<uint8_t> otgReport_;
    int readProfile_ = 0;  // last committed read request (report 0x04 written)
    int readItem_ = -1;

    std::map<uint8_t, int> setCalls_, accepted_, commits_;
    static int CountOf(const std::map<uint8_t, int>& counts, uint8_t reportId) {
        const auto it = counts.find(reportId);
        return it == counts.end() ? 0 : it->second;
    }
    int acceptedTotal_ = 0;
    int getCalls_ = 0;

    std::vector<TraceEntry> trace_;
    bool keepTrace_ = true;
    std::function<void(const TraceEntry&)> onTransfer_;
    std::function<void(uint8_t)> onCommit_;
};

}  // namespace talun::sim
