// A station: several mice at once, each in a slot of its own.
//
// Every slot has its own state (LinkState, UpdateStatus, DeviceSettings), its own
// device access, clock and observer, and a worker thread that handles the slot's
// work in the order it came (a JobQueue), exactly as a front end of one mouse
// handles its own: an attach settles 1500 ms and runs the update, a detach closes the channel
// and clears the status. A slot never waits for another, and nothing one mouse
// does (a fault, an unplug, a Busy that never ends) reaches another's run.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "update/DeviceEvents.h"
#include "update/ToolState.h"

namespace talun {

// Highest slot number a station takes; a message naming another is ignored.
inline constexpr int STATION_MAX_SLOT = 255;

// What one slot's runs work with, made by the front end for the slot's first work.
class SlotSetup {
  public:
    virtual ~SlotSetup() = default;
    virtual DeviceAccess& Device() = 0;
    virtual Clock& SlotClock() = 0;
    virtual UpdateObserver& Observer() = 0;
};

// What became of one piece of a slot's work.
struct SlotOutcome {
    int slot = 0;
    DeviceEventAction action = DeviceEventAction::None;  // Attached: an update ran
    UpdateStatus status = UpdateStatus::Idle;            // the slot's status afterwards
    // Not empty: the run (or the report of its outcome) threw, and this is why;
    // the status is then NotUpdated.
    std::string failure;
};

struct StationSetup {
    // Copied into each slot: program directory, settings file, path limit, refusal.
    ToolState baseState;
    const ProfileFile& profileFile;  // read by several slots at once
    const FirmwareImage& firmware;
    // Called on the thread that gives the slot its first work; nothing: the slot
    // is not served.
    std::function<std::unique_ptr<SlotSetup>(int slot)> makeSlot;
    // Called on the slot's worker after each attach, update or detach; never two
    // at once. It must not call the station. When it throws, the mouse's run is
    // reported again as not updated, with the reason (SlotOutcome::failure).
    std::function<void(const SlotOutcome&)> onOutcome;
    // Called on the slot's worker when a mouse plugged in is about to settle and
    // be updated (not for UpdateNow). It must not call the station.
    std::function<void(int slot)> onAttaching = nullptr;
    // A front end of one mouse: every plug message goes to slot 0, as one mouse
    // plugged in while any is (OneMousePlugs).
    bool oneMouse = false;
};

class Station {
  public:
    explicit Station(StationSetup setup);
    // Stop(): work in progress finishes, nothing new starts.
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // A device monitor's message: the plug message goes to the slot in lParam
    // (a library of one mouse says 0; a station of one mouse takes every slot as
    // its slot 0); the input message to slot 0, as an event of the one mouse.
    // Returns false when it names no slot the station takes. From one thread.
    bool DeliverMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
    // A device event (DeviceEvents.h) for slot.
    void DeliverEvent(int slot, uint32_t eventCode);
    // The slot's mouse was there from the start: it counts as attached and is
    // updated only once it has been plugged in again.
    void MarkAttached(int slot);
    // One update of the slot's mouse now: open its channel, run, close it.
    void UpdateNow(int slot);

    // Waits until every slot has done all the work given to it.
    void Finish();
    // Lets every run in progress finish, drops the work that has not started.
    // After Finish or Stop the station takes no more work.
    void Stop();
    // Slots that have been given work so far.
    int SlotCount() const;

  private:
    class Worker;
    enum class Job { Event, MarkAttached, UpdateNow };
    void Give(int slot, Job job, uint32_t eventCode);
    void Report(const SlotOutcome& outcome);

    StationSetup setup_;
    OneMousePlugs plugs_;  // oneMouse: the mice as one
    mutable std::mutex workersMutex_;
    std::map<int, std::unique_ptr<Worker>> workers_;
    std::mutex reportMutex_;
};

}  // namespace talun
