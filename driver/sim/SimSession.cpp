#include "driver/sim/SimSession.h"

#include <cstdio>

#include "driver/sim/SimFiles.h"

namespace talun::sim {

SimSession::SimSession(const Clock& clock, const Scenario& scenario,
                       const std::vector<std::string>& complaints)
    : stateFile_(scenario.stateFile), mouse_(clock), errors_(complaints) {
    mouse_.Faults() = scenario.faults;
    mouse_.SetPresent(scenario.presentAtStart);
    mouse_.KeepTrace(false);  // the trace goes to the trace file, if any
    if (!scenario.traceFile.empty()) {
        trace_.open(scenario.traceFile, std::ios::binary | std::ios::app);
        if (!trace_) ComplainLocked("trace_file " + scenario.traceFile + " cannot be opened");
    }
    mouse_.OnTransfer([this](const TraceEntry& e) {
        if (!trace_.is_open()) return;
        trace_ << FormatTraceLine(e) << '\n';
        trace_.flush();
    });
    mouse_.OnCommit([this](uint8_t) { WriteStateLocked(); });
    if (!scenario.firmwareFile.empty()) {
        std::string error;
        expectedBlock_ = LoadFirmwareBlock(scenario.firmwareFile, error);
        if (!expectedBlock_) ComplainLocked(error);
    }
    WriteStateLocked();
}

int SimSession::OpenFeature() {
    std::lock_guard<std::mutex> lock(mutex_);
    const int result = mouse_.OpenFeatureDevice();
    WriteStateLocked();
    return result;
}

void SimSession::CloseFeature() {
    std::lock_guard<std::mutex> lock(mutex_);
    mouse_.CloseFeatureDevice();
    WriteStateLocked();
}

int SimSession::Set(unsigned char* report, int length) {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasPresent = mouse_.IsPresent();
    const int result = mouse_.SetFeature(report, length);
    if (mouse_.IsPresent() != wasPresent) WriteStateLocked();  // unplugged after n writes
    return result;
}

int SimSession::Get(unsigned char* buffer, int length) {
    std::lock_guard<std::mutex> lock(mutex_);
    return mouse_.GetFeature(buffer, length);
}

bool SimSession::IsPresent() {
    std::lock_guard<std::mutex> lock(mutex_);
    return mouse_.IsPresent();
}

void SimSession::SetPresent(bool present) {
    std::lock_guard<std::mutex> lock(mutex_);
    mouse_.SetPresent(present);
    WriteStateLocked();
}

void SimSession::SetFault(const std::string& line, const std::string& key,
                          const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string error = ApplyLiveFault(mouse_, key, value);
    if (!error.empty()) ComplainLocked("control line '" + line + "': " + error);
    WriteStateLocked();
}

void SimSession::Complain(const std::string& message) {
    std::lock_guard<std::mutex> lock(mutex_);
    ComplainLocked(message);
    WriteStateLocked();
}

void SimSession::ComplainLocked(const std::string& message) {
    std::fprintf(stderr, "hiddriver (simulated mouse): %s\n", message.c_str());
    errors_.push_back(message);
}

void SimSession::WriteStateLocked() {
    if (stateFile_.empty()) return;
    const std::string text =
        FormatState(mouse_, expectedBlock_ ? &*expectedBlock_ : nullptr, ++stateSequence_, errors_);
    if (!ReplaceFileContent(stateFile_, text) && !stateFileFailed_) {
        stateFileFailed_ = true;
        ComplainLocked("state_file " + stateFile_ + " cannot be written");
    }
}

}  // namespace talun::sim
