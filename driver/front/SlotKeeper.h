// The slot table of a driver library for real mice, shared by the plug monitor's
// thread and the entry points.
//
// While a monitor runs, only it changes the table: it notes every interface of
// the configured mouse that comes and goes, and posts a plug message exactly when
// a slot fills or empties, so that no message is lost or doubled. Without a
// monitor, each enumeration brings the table up to date.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver/common/MouseSlots.h"

namespace talun::hiddriver {

// What a plug monitor tells the front, from its own thread.
class MouseSlotNotes {
  public:
    virtual ~MouseSlotNotes() = default;
    // Everything there as the monitor starts (nothing is posted for it).
    virtual void NotePresent(const std::vector<MouseInterface>& seen) = 0;
    // The slot to post as plugged in, when this is the mouse's first interface.
    virtual std::optional<int> NoteArrival(const MouseInterface& seen) = 0;
    // The slot to post as unplugged, when this was the mouse's last interface.
    virtual std::optional<int> NoteRemoval(const std::string& interfacePath) = 0;
};

class SlotKeeper final : public MouseSlotNotes {
  public:
    void NotePresent(const std::vector<MouseInterface>& seen) override;
    std::optional<int> NoteArrival(const MouseInterface& seen) override;
    std::optional<int> NoteRemoval(const std::string& interfacePath) override;

    // Whether a monitor keeps the table now.
    void SetKeptByMonitor(bool kept);
    // An enumeration's view: applied unless a monitor keeps the table.
    void NoteEnumerated(const std::vector<MouseInterface>& seen);
    std::optional<int> SlotOf(const std::string& mousePath) const;
    std::vector<int> Slots() const;

  private:
    mutable std::mutex mutex_;
    MouseSlots slots_;            // guarded by mutex_
    bool keptByMonitor_ = false;  // guarded by mutex_
};

}  // namespace talun::hiddriver
