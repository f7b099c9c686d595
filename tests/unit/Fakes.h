// Small fakes for the core's unit tests: a clock that only records, a settings
// file held in memory, and a scripted device.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "device/DeviceAccess.h"
#include "driver/sim/SimMouse.h"
#include "platform/Clock.h"
#include "protocol/StatusReport.h"
#include "tests/support/FakeClock.h"
#include "tests/support/FakeProfileFile.h"
#include "tests/support/Hex.h"
#include "update/FirmwareImage.h"
#include "update/ToolState.h"

namespace talun::testing {

// Answers status reads from a script; every call is recorded.
class ScriptedDevice final : public DeviceAccess {
  public:
    struct Call {
        bool set;
        std::vector<uint8_t> bytes;
    };

    void OpenDevMonitor(HidWindow, unsigned, unsigned) override { ++monitorOpens; }
    void CloseDevMonitor() override { ++monitorCloses; }
    int OpenFeatureDevice() override {
        ++featureOpens;
        return faults.absent ? 0 : openResult;
    }
    void CloseFeatureDevice() override { ++featureCloses; }
    int SetFeature(uint8_t* report, int length) override {
        calls.push_back({true, std::vector<uint8_t>(report, report + length)});
        const int occurrence = ++writesOf[report[0]];
        if (faults.absent || faults.RefusesWrite(report[0], occurrence)) return 0;
        lastWritten_ = report[0];
        busyLeft_ = faults.BusyPollsAfter(lastWritten_);
        return 1;
    }
    int GetFeature(uint8_t* buffer, int length) override {
        calls.push_back({false, std::vector<uint8_t>(buffer, buffer + length)});
        if (faults.absent) return 0;
        if (buffer[0] == REPORT_STATUS) {
            int status = PlannedStatus();
            if (!statuses.empty()) {
                status = statuses.front();
                statuses.pop_front();
            }
            if (status < 0) return 0;  // a failed read
            buffer[1] = static_cast<uint8_t>(status);
            return 1;
        }
        if (failOtherReads) return 0;
        for (int i = 1; i < length; ++i) buffer[i] = static_cast<uint8_t>(0xA0 + i);
        return 1;
    }

    std::vector<Call> Writes() const {
        std::vector<Call> out;
        for (const Call& c : calls) {
            if (c.set) out.push_back(c);
        }
        return out;
    }
    int StatusReads() const {
        int n = 0;
        for (const Call& c : calls) n += (!c.set && c.bytes[0] == REPORT_STATUS) ? 1 : 0;
        return n;
    }

    std::deque<int> statuses;  // one per status read, before the plan; -1 = the read fails
    int defaultStatus = static_cast<int>(AckStatus::Done);
    // The same faults as the simulated mouse's: absence, refused writes, and the
    // status after each write (busy polls, then the final status).
    sim::FaultPlan faults;
    std::map<uint8_t, int> writesOf;
    bool failOtherReads = false;
    int openResult = 1;
    std::vector<Call> calls;
    int monitorOpens = 0, monitorCloses = 0, featureOpens = 0, featureCloses = 0;

  private:
    int PlannedStatus() {
        if (busyLeft_ > 0) {
            --busyLeft_;
            return static_cast<int>(AckStatus::Busy);
        }
        return faults.FinalStatusOf(lastWritten_, static_cast<uint8_t>(defaultStatus));
    }
    uint8_t lastWritten_ = 0;
    int busyLeft_ = 0;
};

// Records what the core tells the front end.
class RecordingObserver final : public UpdateObserver {
  public:
    void OnStatusChanged(UpdateStatus s) override {
        events.push_back("status " + std::string(Name(s)));
    }
    void OnRefreshStatusArea() override { events.push_back("refresh"); }
    void OnRepaintWindow() override { events.push_back("repaint"); }
    void OnWaitCursor(bool on) override { events.push_back(on ? "cursor on" : "cursor off"); }
    void OnStepStarted(UpdateStep step) override {
        events.push_back(std::string("start ") + UpdateStepName(step));
    }
    void OnStepFinished(UpdateStep step, StepOutcome o) override {
        events.push_back(std::string("end ") + UpdateStepName(step) + ": " + StepOutcomeName(o));
    }
    static const char* Name(UpdateStatus s) {
        switch (s) {
            case UpdateStatus::Idle:
                return "Idle";
            case UpdateStatus::Updating:
                return "Updating";
            case UpdateStatus::Updated:
                return "Updated";
            case UpdateStatus::NotUpdated:
                return "NotUpdated";
        }
        return "?";
    }
    std::vector<std::string> events;
};

// A core wired to the fakes.
struct CoreFixture {
    ToolState state;
    ScriptedDevice device;
    FakeClock clock;
    FakeProfileFile profileFile;
    RecordingObserver observer;
    CoreContext ctx{state, device, clock, profileFile, FirmwareImage::BuiltIn(), observer};

    CoreFixture() {
        state.ProgramDirectory = "/opt/talun/";
        profileFile.existingPath = "/opt/talun/default.ini";
    }
};

}  // namespace talun::testing
