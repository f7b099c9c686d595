#include "driver/sim/SimMonitor.h"

#include <algorithm>

#ifdef _WIN32
#include <windows.h>
#endif

#include "driver/sim/ControlLine.h"

namespace talun::sim {

SimMonitor::SimMonitor(SimSession& session, const Clock& clock, const Scenario& scenario)
    : session_(session), clock_(clock), pollMs_(scenario.pollMs) {
    for (const uint64_t t : scenario.plugAtMs) schedule_.push_back({t, true});
    for (const uint64_t t : scenario.unplugAtMs) schedule_.push_back({t, false});
    std::stable_sort(schedule_.begin(), schedule_.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.atMs < b.atMs; });
    if (!scenario.controlFile.empty()) control_.emplace(scenario.controlFile);
}

SimMonitor::~SimMonitor() {
#ifdef _WIN32
    // Reached at process exit, when Windows has already ended the monitor
    // thread, or on FreeLibrary without Close_DevMonitor; joining under the
    // loader lock would hang for ever.
    if (thread_.joinable()) thread_.detach();
#else
    Stop();
#endif
}

void SimMonitor::Open(HidWindow window, unsigned inputMessage, unsigned plugMessage) {
    std::lock_guard<std::mutex> calls(calls_);
    Stop();
    window_ = window;
    inputMessage_ = inputMessage;
    plugMessage_ = plugMessage;
    reportedPresent_ = session_.IsPresent();  // a mouse already there is not announced
    if (!scheduleStarted_) {
        scheduleStarted_ = true;
        scheduleOriginMs_ = clock_.NowMs();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = false;
    }
    thread_ = std::thread([this] { Loop(); });
}

void SimMonitor::Close() {
    std::lock_guard<std::mutex> calls(calls_);
    Stop();
}

void SimMonitor::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();  // closed from inside a sink's post: the loop ends by itself
    else
        thread_.join();
}

void SimMonitor::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        lock.unlock();
        Tick();
        lock.lock();
        wake_.wait_until(lock, NextWake(), [this] { return stop_; });
    }
}

std::chrono::steady_clock::time_point SimMonitor::NextWake() const {
    auto wait = std::chrono::milliseconds(pollMs_);
    if (nextEvent_ < schedule_.size()) {
        const uint64_t elapsed = clock_.NowMs() - scheduleOriginMs_;
        const uint64_t due = schedule_[nextEvent_].atMs;
        const auto untilDue = std::chrono::milliseconds(due > elapsed ? due - elapsed : 0);
        wait = std::min(wait, untilDue);
    }
    return std::chrono::steady_clock::now() + wait;
}

// One poll of the monitor thread.
void SimMonitor::Tick() {
    const uint64_t elapsed = clock_.NowMs() - scheduleOriginMs_;
    while (nextEvent_ < schedule_.size() && schedule_[nextEvent_].atMs <= elapsed)
        SetPresence(schedule_[nextEvent_++].plug);
    if (control_) {
        for (const auto& line : control_->NewLines()) Act(line);
    }
    ReportPresence();
}

void SimMonitor::Act(const std::string& line) {
    const ControlCommand c = ParseControlLine(line);
    switch (c.kind) {
        case ControlCommand::None:
            return;
        case ControlCommand::Plug:
        case ControlCommand::Unplug:
            SetPresence(c.kind == ControlCommand::Plug);
            return;
        case ControlCommand::Button:
        case ControlCommand::Input:
            Post(inputMessage_, static_cast<uintptr_t>(c.wParam), static_cast<intptr_t>(c.lParam));
            return;
        case ControlCommand::PlugMessage:
            Post(plugMessage_, static_cast<uintptr_t>(c.wParam), 0);
            return;
        case ControlCommand::SetFault:
            session_.SetFault(line, c.key, c.value);
            return;
        case ControlCommand::Invalid:
            session_.Complain("control line '" + line + "': " + c.error);
            return;
    }
}

void SimMonitor::SetPresence(bool present) {
    session_.SetPresent(present);
    ReportPresence();
}

// Tells the window when the mouse came or went since the last plug message.
void SimMonitor::ReportPresence() {
    const bool present = session_.IsPresent();
    if (present == reportedPresent_) return;
    reportedPresent_ = present;
    Post(plugMessage_, present ? 1 : 0, 0);
}

// Runs on the monitor thread with no lock held.
void SimMonitor::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (window_ == nullptr) return;
#ifdef _WIN32
    PostMessageA(static_cast<HWND>(window_), message, static_cast<WPARAM>(wParam),
                 static_cast<LPARAM>(lParam));
#else
    auto* sink = static_cast<HidEventSink*>(window_);
    if (sink->post != nullptr) sink->post(sink, message, wParam, lParam);
#endif
}

}  // namespace talun::sim
