#include "driver/common/DeviceMatch.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace talun::hiddriver {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<uint16_t> HexAt(const std::string& s, std::size_t pos, std::size_t digits) {
    if (pos + digits > s.size()) return std::nullopt;
    for (std::size_t i = 0; i < digits; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(s[pos + i]))) return std::nullopt;
    }
    return ParseHex16(s.substr(pos, digits));
}

std::string Hex4(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

}  // namespace

Selection SelectFeatureDevice(const DriverConfig& config,
                              const std::vector<HidCandidate>& candidates) {
    Selection selection;
    if (!IsConfigured(config)) {
        selection.error = "no device configured";
        return selection;
    }
    std::optional<std::size_t> longest;
    std::size_t sameIds = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const HidCandidate& c = candidates[i];
        if (c.vendorId != config.vendorId || c.productId != config.productId) continue;
        ++sameIds;
        if (config.usagePage && c.usagePage != *config.usagePage) continue;
        if (config.usage && c.usage != *config.usage) continue;
        if (config.interfaceNumber && c.interfaceNumber &&
            *c.interfaceNumber != *config.interfaceNumber) {
            continue;
        }
        if (c.featureReportByteLength == 0) continue;
        if (c.featureReportByteLength >= config.minFeatureReportLength) {
            selection.index = i;
            return selection;
        }
        if (!longest || c.featureReportByteLength > candidates[*longest].featureReportByteLength) {
            longest = i;
        }
    }
    if (longest) {
        selection.index = longest;
        return selection;
    }
    const std::string ids = Hex4(config.vendorId) + ":" + Hex4(config.productId);
    if (sameIds == 0) {
        selection.error = "no HID device " + ids + " present (is the mouse plugged in?)";
    } else {
        selection.error = std::to_string(sameIds) + " HID collection(s) of " + ids +
                          " present, but none with feature reports matches the UsagePage, Usage "
                          "and Interface of hiddriver.ini";
    }
    return selection;
}

std::optional<PathIds> ParseWindowsInterfacePath(const std::string& path) {
    const std::string lower = Lower(path);
    const std::size_t vid = lower.find("vid_");
    const std::size_t pid = lower.find("pid_");
    if (vid == std::string::npos || pid == std::string::npos) return std::nullopt;
    const auto vendor = HexAt(lower, vid + 4, 4);
    const auto product = HexAt(lower, pid + 4, 4);
    if (!vendor || !product) return std::nullopt;
    PathIds ids;
    ids.vendorId = *vendor;
    ids.productId = *product;
    const std::size_t mi = lower.find("&mi_", pid);
    if (mi != std::string::npos) {
        if (const auto number = HexAt(lower, mi + 4, 2)) ids.interfaceNumber = *number;
    }
    return ids;
}

std::optional<PathIds> ParseLinuxHidSysPath(const std::string& path) {
    // Scan the path's components for "BBBB:VVVV:PPPP.NNNN"; the last one wins (the
    // HID device directory sits right above hidraw/hidrawN).
    std::optional<PathIds> found;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part.size() == 19 && part[4] == ':' && part[9] == ':' && part[14] == '.') {
            const auto bus = HexAt(part, 0, 4);
            const auto vendor = HexAt(part, 5, 4);
            const auto product = HexAt(part, 10, 4);
            const auto instance = HexAt(part, 15, 4);
            if (bus && vendor && product && instance) {
                PathIds ids;
                ids.vendorId = *vendor;
                ids.productId = *product;
                found = ids;
            }
        }
        start = end + 1;
    }
    return found;
}

bool MatchesMouse(const DriverConfig& config, const PathIds& ids) {
    if (!IsConfigured(config)) return false;
    if (ids.vendorId != config.vendorId || ids.productId != config.productId) return false;
    if (config.interfaceNumber && ids.interfaceNumber) {
        return *ids.interfaceNumber == *config.interfaceNumber;
    }
    return true;
}

std::string FormatDeviceLine(const HidCandidate& c) {
    std::string product = c.product;
    for (char& ch : product) {
        if (ch == '"' || static_cast<unsigned char>(ch) < 0x20) ch = '\'';
    }
    return Hex4(c.vendorId) + ":" + Hex4(c.productId) + " " + Hex4(c.usagePage) + ":" +
           Hex4(c.usage) + " " + std::to_string(c.featureReportByteLength) + " \"" + product +
           "\" " + c.path;
}

int WriteDeviceList(const std::vector<HidCandidate>& candidates, char* text, int capacity) {
    if (text == nullptr || capacity <= 0) return -1;
    std::size_t used = 0;
    int lines = 0;
    text[0] = '\0';
    for (const HidCandidate& c : candidates) {
        const std::string line = FormatDeviceLine(c) + "\n";
        if (used + line.size() + 1 > static_cast<std::size_t>(capacity)) break;
        std::memcpy(text + used, line.c_str(), line.size() + 1);
        used += line.size();
        ++lines;
    }
    return lines;
}

}  // namespace talun::hiddriver
