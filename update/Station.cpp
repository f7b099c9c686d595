#include "update/Station.h"

#include <condition_variable>
#include <deque>
#include <thread>

#include "update/UpdateRun.h"

namespace talun {

class Station::Worker {
  public:
    Worker(Station& station, int slot, std::unique_ptr<SlotSetup> parts)
        : station_(station),
          slot_(slot),
          state_(station.setup_.baseState),
          parts_(std::move(parts)),
          ctx_{state_,
               parts_->Device(),
               parts_->SlotClock(),
               station.setup_.profileFile,
               station.setup_.firmware,
               parts_->Observer()},
          thread_([this] { Run(); }) {}

    ~Worker() { End(false); }

    void Give(Job job, uint32_t eventCode) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (ending_) return;
            jobs_.push_back({job, eventCode});
        }
        wake_.notify_all();
    }

    // finishQueued: do what is queued first; else only what is in progress.
    void End(bool finishQueued) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ending_ = true;
            if (!finishQueued) jobs_.clear();
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

  private:
    struct Work {
        Job job;
        uint32_t eventCode;
    };

    void Run() {
        for (;;) {
            Work work{};
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
                if (jobs_.empty()) return;
                work = jobs_.front();
                jobs_.pop_front();
            }
            Do(work);
        }
    }

    void Do(const Work& work) {
        SlotOutcome outcome;
        outcome.slot = slot_;
        switch (work.job) {
            case Job::Event:
                outcome.action = DispatchDeviceEvent(ctx_, work.eventCode);
                break;
            case Job::MarkAttached:
                state_.linkState = LinkState::Attached;
                return;
            case Job::UpdateNow:
                ctx_.device.OpenFeatureDevice();
                RunUpdate(ctx_);
                ctx_.device.CloseFeatureDevice();
                outcome.action = DeviceEventAction::Attached;
                break;
        }
        if (outcome.action == DeviceEventAction::None) return;
        outcome.status = state_.updateStatus;
        station_.Report(outcome);
    }

    Station& station_;
    const int slot_;
    ToolState state_;
    std::unique_ptr<SlotSetup> parts_;
    CoreContext ctx_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Work> jobs_;
    bool ending_ = false;
    std::thread thread_;  // last: it starts running at once
};

Station::Station(StationSetup setup) : setup_(std::move(setup)) {}

Station::~Station() {
    Stop();
}

bool Station::DeliverMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (message == WM_HID_PLUG_EVENT) {
        if (lParam < 0 || lParam > STATION_MAX_SLOT) return false;
        DeliverEvent(static_cast<int>(lParam), PlugEventCode(wParam));
        return true;
    }
    if (message == WM_HID_INPUT_EVENT) {
        DeliverEvent(0, InputEventCode(wParam, lParam));
        return true;
    }
    return false;
}

void Station::DeliverEvent(int slot, uint32_t eventCode) {
    Give(slot, Job::Event, eventCode);
}

void Station::MarkAttached(int slot) {
    Give(slot, Job::MarkAttached, 0);
}

void Station::UpdateNow(int slot) {
    Give(slot, Job::UpdateNow, 0);
}

void Station::Give(int slot, Job job, uint32_t eventCode) {
    if (slot < 0 || slot > STATION_MAX_SLOT) return;
    std::lock_guard<std::mutex> lock(workersMutex_);
    auto found = workers_.find(slot);
    if (found == workers_.end()) {
        std::unique_ptr<SlotSetup> parts = setup_.makeSlot ? setup_.makeSlot(slot) : nullptr;
        if (!parts) return;  // the front end cannot serve this slot
        found =
            workers_.emplace(slot, std::make_unique<Worker>(*this, slot, std::move(parts))).first;
    }
    found->second->Give(job, eventCode);
}

void Station::Report(const SlotOutcome& outcome) {
    std::lock_guard<std::mutex> lock(reportMutex_);
    if (setup_.onOutcome) setup_.onOutcome(outcome);
}

void Station::Finish() {
    std::lock_guard<std::mutex> lock(workersMutex_);
    for (auto& [slot, worker] : workers_) worker->End(true);
}

void Station::Stop() {
    std::lock_guard<std::mutex> lock(workersMutex_);
    for (auto& [slot, worker] : workers_) worker->End(false);
}

int Station::SlotCount() const {
    std::lock_guard<std::mutex> lock(workersMutex_);
    return static_cast<int>(workers_.size());
}

}  // namespace talun
