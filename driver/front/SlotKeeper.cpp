#include "driver/front/SlotKeeper.h"

namespace talun::hiddriver {

void SlotKeeper::NotePresent(const std::vector<MouseInterface>& seen) {
    std::lock_guard<std::mutex> lock(mutex_);
    slots_.Sync(seen);
}

std::optional<int> SlotKeeper::NoteArrival(const MouseInterface& seen) {
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_.Arrived(seen);
}

std::optional<int> SlotKeeper::NoteRemoval(const std::string& interfacePath) {
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_.Removed(interfacePath);
}

void SlotKeeper::SetKeptByMonitor(bool kept) {
    std::lock_guard<std::mutex> lock(mutex_);
    keptByMonitor_ = kept;
}

void SlotKeeper::NoteEnumerated(const std::vector<MouseInterface>& seen) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!keptByMonitor_) slots_.Sync(seen);
}

std::optional<int> SlotKeeper::SlotOf(const std::string& mousePath) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_.SlotOf(mousePath);
}

std::vector<int> SlotKeeper::Slots() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return slots_.Slots();
}

}  // namespace talun::hiddriver
