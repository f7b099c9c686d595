#include "driver/sim/SimMonitor.h"

#include <algorithm>

#include "driver/front/WindowPost.h"
#include "driver/sim/ControlLine.h"

namespace talun::sim {

SimMonitor::SimMonitor(const std::vector<SimSession*>& sessions, const Clock& clock,
                       const std::vector<Scenario>& scenarios)
    : sessions_(sessions),
      clock_(clock),
      pollMs_(scenarios.at(0).pollMs),
      reportedPresent_(sessions.size(), false) {
    for (std::size_t slot = 0; slot < scenarios.size(); ++slot) {
        const int s = static_cast<int>(slot);
        for (const uint64_t t : scenarios[slot].plugAtMs) schedule_.push_back({t, true, s});
        for (const uint64_t t : scenarios[slot].unplugAtMs) schedule_.push_back({t, false, s});
    }
    // At equal times plug first, then by slot.
    std::stable_sort(schedule_.begin(), schedule_.end(),
                     [](const TimedEvent& a, const TimedEvent& b) {
                         return a.atMs != b.atMs ? a.atMs < b.atMs : a.plug > b.plug;
                     });
    if (!scenarios.at(0).controlFile.empty()) control_.emplace(scenarios[0].controlFile);
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
    for (std::size_t slot = 0; slot < sessions_.size(); ++slot)
        reportedPresent_[slot] = sessions_[slot]->IsPresent();  // those there are not announced
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
    while (nextEvent_ < schedule_.size() && schedule_[nextEvent_].atMs <= elapsed) {
        const TimedEvent& event = schedule_[nextEvent_++];
        SetPresence(event.slot, event.plug);
    }
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
            if (SessionOf(line, c.slot)) SetPresence(c.slot, c.kind == ControlCommand::Plug);
            return;
        case ControlCommand::Button:
        case ControlCommand::Input:
            Post(inputMessage_, static_cast<uintptr_t>(c.wParam), static_cast<intptr_t>(c.lParam));
            return;
        case ControlCommand::PlugMessage:
            Post(plugMessage_, static_cast<uintptr_t>(c.wParam), c.slot);
            return;
        case ControlCommand::SetFault:
            if (SimSession* session = SessionOf(line, c.slot))
                session->SetFault(line, c.key, c.value);
            return;
        case ControlCommand::Invalid:
            sessions_[0]->Complain("control line '" + line + "': " + c.error);
            return;
    }
}

SimSession* SimMonitor::SessionOf(const std::string& line, int slot) {
    if (slot >= 0 && static_cast<std::size_t>(slot) < sessions_.size()) return sessions_[slot];
    sessions_[0]->Complain("control line '" + line + "': no mouse in slot " + std::to_string(slot));
    return nullptr;
}

void SimMonitor::SetPresence(int slot, bool present) {
    sessions_[slot]->SetPresent(present);
    ReportPresence();
}

// Tells the window of each mouse that came or went since its last plug message.
void SimMonitor::ReportPresence() {
    for (std::size_t slot = 0; slot < sessions_.size(); ++slot) {
        const bool present = sessions_[slot]->IsPresent();
        if (present == reportedPresent_[slot]) continue;
        reportedPresent_[slot] = present;
        Post(plugMessage_, present ? 1 : 0, static_cast<intptr_t>(slot));
    }
}

// Runs on the monitor thread with no lock held.
void SimMonitor::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
    hiddriver::PostToWindow(window_, message, wParam, lParam);
}

}  // namespace talun::sim
