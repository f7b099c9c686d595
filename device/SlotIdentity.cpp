#include "device/SlotIdentity.h"

#include <sstream>

namespace talun {
namespace {

// Room for a port, a serial (at most 126 characters) and a long system path.
constexpr int IDENTITY_TEXT_CAPACITY = 2048;

}  // namespace

MouseIdentity ParseMouseIdentity(const std::string& text) {
    MouseIdentity identity;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "port") identity.port = value;
        if (key == "serial") identity.serial = value;
        if (key == "path") identity.path = value;
    }
    return identity;
}

std::optional<MouseIdentity> ReadSlotIdentity(const DriverLibrary& library, int slot) {
    const auto identify = library.Slots().Get_FeatureDeviceSlotIdentity;
    if (!identify) return std::nullopt;
    char text[IDENTITY_TEXT_CAPACITY] = {};
    const int length = identify(slot, text, IDENTITY_TEXT_CAPACITY);
    if (length < 0) return std::nullopt;
    text[IDENTITY_TEXT_CAPACITY - 1] = '\0';
    return ParseMouseIdentity(text);
}

}  // namespace talun
