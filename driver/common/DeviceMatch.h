// Finding the mouse among the HID devices, and telling when it comes and goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/common/DriverConfig.h"

namespace talun::hiddriver {

// One HID collection as the platform enumerates it.
struct HidCandidate {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    std::optional<int> interfaceNumber;  // unknown on some platforms and paths
    std::size_t featureReportByteLength = 0;
    std::string product;
    std::string path;
    // The mouse the collection belongs to: the system path that all of its
    // interfaces and collections share. Empty when unknown: the collection then
    // counts as a mouse of its own.
    std::string mousePath;
};

struct Selection {
    std::optional<std::size_t> index;  // into the candidate list
    std::string error;                 // why nothing was chosen
};

// Picks the collection that carries the mouse's feature reports: vendor and product
// must match, and usage page, usage and interface where the configuration gives
// them. Of those, collections without feature reports are out; the first whose
// longest feature report reaches minFeatureReportLength wins, else the one with
// the longest feature report.
Selection SelectFeatureDevice(const DriverConfig& config,
                              const std::vector<HidCandidate>& candidates);

// The identifiers in a device path: Windows interface paths carry
// "vid_xxxx&pid_xxxx" and, for a composite device, "&mi_xx" (any case).
struct PathIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::optional<int> interfaceNumber;
};
std::optional<PathIds> ParseWindowsInterfacePath(const std::string& path);

// The identifiers in a Linux sysfs path of a hidraw node: the HID device's directory
// is named "BBBB:VVVV:PPPP.NNNN" (bus, vendor, product, instance), e.g.
// ".../0003:046D:C52B.0001/hidraw/hidraw0". Works after removal, when the sysfs
// attributes are gone and only the path is left.
std::optional<PathIds> ParseLinuxHidSysPath(const std::string& path);

// Whether the configuration names a device at all: identifiers 0000 (the shipped
// placeholder, or a configuration that could not be read) match nothing.
inline bool IsConfigured(const DriverConfig& config) {
    return config.vendorId != 0 && config.productId != 0;
}

// Whether a device with these identifiers is the configured mouse. The interface,
// when configured, must match where it is known.
bool MatchesMouse(const DriverConfig& config, const PathIds& ids);

// One line of the device listing:
// vvvv:pppp usagepage:usage feature-length "product" path
std::string FormatDeviceLine(const HidCandidate& candidate);

// Writes lines into text (NUL-terminated, at most capacity bytes including the
// NUL), whole lines only. Returns how many lines fitted; -1 for no buffer.
int WriteDeviceList(const std::vector<HidCandidate>& candidates, char* text, int capacity);

}  // namespace talun::hiddriver
