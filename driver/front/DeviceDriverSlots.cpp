// The slot entry points of a driver library for real mice: every mouse of the
// configured identifiers in a slot of its own, each with its own feature channel.
#include "driver/front/DeviceDriver.h"

namespace talun::hiddriver {
namespace {

std::string SlotName(const char* name, int slot) {
    return std::string(name) + " " + std::to_string(slot);
}

const std::string& MousePathOf(const HidCandidate& c) {
    return c.mousePath.empty() ? c.path : c.mousePath;
}

}  // namespace

DeviceDriver::SlotChannel* DeviceDriver::FindSlotChannel(int slot) const {
    std::lock_guard<std::mutex> lock(slotChannelsMutex_);
    const auto found = slotChannels_.find(slot);
    return found == slotChannels_.end() ? nullptr : found->second.get();
}

DeviceDriver::SlotChannel& DeviceDriver::MakeSlotChannel(int slot) {
    std::lock_guard<std::mutex> lock(slotChannelsMutex_);
    std::unique_ptr<SlotChannel>& entry = slotChannels_[slot];
    if (!entry) entry = std::make_unique<SlotChannel>();
    return *entry;
}

void DeviceDriver::CloseSlotChannels() {
    std::lock_guard<std::mutex> lock(slotChannelsMutex_);
    for (auto& [slot, entry] : slotChannels_) {
        std::lock_guard<std::mutex> channelLock(entry->mutex);
        entry->channel.reset();
    }
}

std::vector<HidCandidate> DeviceDriver::EnumerateMice(const DriverConfig& config,
                                                      std::string& error) {
    std::vector<HidCandidate> candidates =
        PlatformEnumerate(config.vendorId, config.productId, error);
    // A failed enumeration that found nothing says nothing about which mice left.
    if (error.empty() || !candidates.empty()) {
        std::vector<MouseInterface> seen;
        for (const HidCandidate& c : candidates) seen.push_back({MousePathOf(c), c.path});
        slots_.NoteEnumerated(seen);
    }
    return candidates;
}

int DeviceDriver::ListFeatureDeviceSlots(int* slots, int capacity) {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    if (slots == nullptr || capacity < 0) {
        lastError_.Set("List_FeatureDeviceSlots: no buffer for the slots");
        return -1;
    }
    // Without a configured mouse no mouse can be told apart: the tool then takes
    // this for a library of one mouse, which says why it finds none.
    const ConfigResult config = LoadConfig();
    if (!config.config || !IsConfigured(*config.config)) {
        lastError_.Set("List_FeatureDeviceSlots: " +
                       (config.config ? std::string("no device configured") : config.error));
        return -1;
    }
    std::string error;
    EnumerateMice(*config.config, error);
    const std::vector<int> taken = slots_.Slots();
    if (!error.empty() && taken.empty()) {
        lastError_.Set("List_FeatureDeviceSlots: " + error);
        return -1;
    }
    for (std::size_t i = 0; i < taken.size() && i < static_cast<std::size_t>(capacity); ++i) {
        slots[i] = taken[i];
    }
    lastError_.Clear();
    return static_cast<int>(taken.size());
}

int DeviceDriver::OpenFeatureDeviceSlot(int slot) {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    CloseFeatureDeviceSlot(slot);
    const std::string name = SlotName("Open_FeatureDeviceSlot", slot);
    const ConfigResult config = LoadConfig();
    if (!config.config) {
        SetSlotError(slot, name + ": " + config.error);
        return 0;
    }
    std::string error;
    std::vector<HidCandidate> mouse;
    for (HidCandidate& c : EnumerateMice(*config.config, error)) {
        if (slots_.SlotOf(MousePathOf(c)) == slot) mouse.push_back(std::move(c));
    }
    if (mouse.empty()) {
        SetSlotError(slot, name + ": " + (error.empty() ? "no mouse in this slot" : error));
        return 0;
    }
    const Selection selection = SelectFeatureDevice(*config.config, mouse);
    if (!selection.index) {
        SetSlotError(slot, name + ": " + selection.error);
        return 0;
    }
    const HidCandidate& chosen = mouse[*selection.index];
    std::unique_ptr<FeatureChannel> channel = PlatformOpen(chosen, error);
    if (!channel) {
        SetSlotError(slot, name + ": " + error);
        return 0;
    }
    SlotChannel& entry = MakeSlotChannel(slot);
    std::lock_guard<std::mutex> channelLock(entry.mutex);
    entry.channel = std::move(channel);
    entry.path = chosen.path;
    entry.lastError.Clear();
    lastError_.Clear();
    return 1;
}

void DeviceDriver::CloseFeatureDeviceSlot(int slot) {
    if (SlotChannel* entry = FindSlotChannel(slot)) {
        std::lock_guard<std::mutex> channelLock(entry->mutex);
        entry->channel.reset();
    }
}

int DeviceDriver::SetFeatureSlot(int slot, unsigned char* report, int length) {
    return MoveOnSlot("SetFeatureSlot", slot, report, length, true);
}

int DeviceDriver::GetFeatureSlot(int slot, unsigned char* report, int length) {
    return MoveOnSlot("GetFeatureSlot", slot, report, length, false);
}

int DeviceDriver::MoveOnSlot(const char* name, int slot, unsigned char* report, int length,
                             bool write) {
    SlotChannel& entry = MakeSlotChannel(slot);
    std::lock_guard<std::mutex> channelLock(entry.mutex);
    return MoveOn(SlotName(name, slot), entry.channel.get(), entry.path, report, length, write,
                  &entry.lastError);
}

void DeviceDriver::SetSlotError(int slot, const std::string& text) {
    lastError_.Set(text);
    MakeSlotChannel(slot).lastError.Set(text);
}

std::string DeviceDriver::LastErrorTextSlot(int slot) const {
    const SlotChannel* entry = FindSlotChannel(slot);
    return entry == nullptr ? std::string() : entry->lastError.Get();
}

std::optional<MouseIdentity> DeviceDriver::SlotIdentity(int slot) {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    const ConfigResult config = LoadConfig();
    if (!config.config) return std::nullopt;
    std::string error;
    for (const HidCandidate& c : EnumerateMice(*config.config, error)) {
        if (slots_.SlotOf(MousePathOf(c)) != slot) continue;
        MouseIdentity identity = PlatformIdentify(c);
        identity.path = MousePathOf(c);
        return identity;
    }
    return std::nullopt;
}

}  // namespace talun::hiddriver
