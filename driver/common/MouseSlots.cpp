#include "driver/common/MouseSlots.h"

#include <cctype>

namespace talun::hiddriver {

int MouseSlots::FreeSlot() const {
    int slot = 0;
    for (const int taken : Slots()) {
        if (taken != slot) break;
        ++slot;
    }
    return slot;
}

std::optional<int> MouseSlots::Arrived(const MouseInterface& seen) {
    const std::string& mousePath = seen.mousePath.empty() ? seen.interfacePath : seen.mousePath;
    const auto found = mice_.find(mousePath);
    if (found != mice_.end()) {
        found->second.interfaces.insert(seen.interfacePath);
        return std::nullopt;
    }
    const int slot = FreeSlot();
    mice_.emplace(mousePath, Mouse{slot, {seen.interfacePath}});
    return slot;
}

std::optional<int> MouseSlots::Removed(const std::string& interfacePath) {
    for (auto it = mice_.begin(); it != mice_.end(); ++it) {
        if (it->second.interfaces.erase(interfacePath) == 0) continue;
        if (!it->second.interfaces.empty()) return std::nullopt;
        const int slot = it->second.slot;
        mice_.erase(it);
        return slot;
    }
    return std::nullopt;
}

void MouseSlots::Sync(const std::vector<MouseInterface>& seen) {
    std::map<std::string, std::set<std::string>> now;
    for (const MouseInterface& s : seen) {
        now[s.mousePath.empty() ? s.interfacePath : s.mousePath].insert(s.interfacePath);
    }
    for (auto it = mice_.begin(); it != mice_.end();) {
        const auto still = now.find(it->first);
        if (still == now.end()) {
            it = mice_.erase(it);
        } else {
            it->second.interfaces = still->second;
            ++it;
        }
    }
    for (const MouseInterface& s : seen) Arrived(s);
}

std::optional<int> MouseSlots::SlotOf(const std::string& mousePath) const {
    const auto found = mice_.find(mousePath);
    if (found == mice_.end()) return std::nullopt;
    return found->second.slot;
}

std::vector<int> MouseSlots::Slots() const {
    std::set<int> slots;
    for (const auto& [path, mouse] : mice_) slots.insert(mouse.slot);
    return {slots.begin(), slots.end()};
}

std::string LinuxMousePath(const std::string& hidrawSysPath) {
    // Up from the node: "hidrawN", "hidraw", the HID device "BBBB:VVVV:PPPP.NNNN",
    // the USB interface "1-2:1.0".
    std::string path = hidrawSysPath;
    for (int level = 0; level < 4; ++level) {
        const auto slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0) return hidrawSysPath;
        const std::string name = path.substr(slash + 1);
        const bool expected = (level == 0 && name.rfind("hidraw", 0) == 0 && name.size() > 6) ||
                              (level == 1 && name == "hidraw") ||
                              (level >= 2 && name.find(':') != std::string::npos);
        if (!expected) return hidrawSysPath;
        path.erase(slash);
    }
    return path;
}

bool IsHidCollectionOrUsbInterface(const std::string& instanceId) {
    std::string upper = instanceId;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.rfind("HID\\", 0) == 0) return true;
    // Enumerator\device\instance: the interface number is in the device part.
    const std::size_t first = upper.find('\\');
    if (first == std::string::npos) return false;
    const std::string device = upper.substr(first + 1, upper.find('\\', first + 1) - first - 1);
    return device.find("&MI_") != std::string::npos;
}

}  // namespace talun::hiddriver
