#include "update/Station.h"

#include "update/JobQueue.h"
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
          jobs_([this](int, const std::optional<std::string>& failure) {
              if (failure) Failed(*failure);
          }) {}

    void Give(Job job, uint32_t eventCode) {
        jobs_.Post([this, job, eventCode] { Do(job, eventCode); });
    }

    // finishQueued: do what is queued first; else only what is in progress.
    void End(bool finishQueued) {
        if (finishQueued) {
            jobs_.Finish();
        } else {
            jobs_.Stop();
        }
    }

  private:
    void Do(Job job, uint32_t eventCode) {
        SlotOutcome outcome;
        outcome.slot = slot_;
        inRun_ = job == Job::UpdateNow ||
                 (job == Job::Event && IsAttachEvent(eventCode, state_.linkState));
        if (inRun_ && job == Job::Event && station_.setup_.onAttaching)
            station_.setup_.onAttaching(slot_);
        switch (job) {
            case Job::Event:
                outcome.action = DispatchDeviceEvent(ctx_, eventCode);
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
        if (outcome.action != DeviceEventAction::None) {
            outcome.status = state_.updateStatus;
            station_.Report(outcome);
        }
        inRun_ = false;
    }

    // A job threw: a run it was doing, or whose outcome it was reporting, ends
    // "FIRMWARE NOT UPDATED." with the reason. Nothing else of the slot changes.
    void Failed(const std::string& reason) {
        if (!inRun_) return;
        inRun_ = false;
        state_.linkState = LinkState::Attached;
        // The observer may be what threw: the status is set before it hears.
        RunJobCaught([this] { EndRunFailed(ctx_); });
        SlotOutcome outcome{slot_, DeviceEventAction::Attached, state_.updateStatus, reason};
        station_.Report(outcome);
    }

    Station& station_;
    const int slot_;
    ToolState state_;
    std::unique_ptr<SlotSetup> parts_;
    CoreContext ctx_;
    bool inRun_ = false;  // the job in progress runs an update or reports its outcome
    JobQueue jobs_;       // last: its worker starts at once
};

Station::Station(StationSetup setup) : setup_(std::move(setup)) {}

Station::~Station() {
    Stop();
}

bool Station::DeliverMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (message == WM_HID_PLUG_EVENT) {
        if (setup_.oneMouse) {
            DeliverEvent(0, plugs_.EventOf(wParam, lParam));
            return true;
        }
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
