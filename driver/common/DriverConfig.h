// Which HID device is the mouse: the identifiers from hiddriver.ini.
//
// The driver libraries do not know the mouse's vendor and product IDs; the operator
// writes them into hiddriver.ini beside the library. A file that is missing, that
// still holds the shipped placeholder values, or that cannot be read cleanly means
// "no device configured": the library then opens nothing and says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/KeyValueText.h"

namespace talun::hiddriver {

// The name of the file beside the library, and its one section.
inline constexpr const char* CONFIG_FILE_NAME = "hiddriver.ini";
inline constexpr const char* CONFIG_SECTION = "Device";

// The longest feature report the tool moves: a firmware chunk.
inline constexpr std::size_t DEFAULT_MIN_FEATURE_REPORT_LENGTH = 1034;

struct DriverConfig {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    // Optional narrowing to the collection that carries the feature reports.
    std::optional<uint16_t> usagePage;
    std::optional<uint16_t> usage;
    // Optional USB interface number (the "mi_xx" of a Windows path).
    std::optional<int> interfaceNumber;
    // Collections whose longest feature report is at least this long are preferred.
    std::size_t minFeatureReportLength = DEFAULT_MIN_FEATURE_REPORT_LENGTH;
};

// Either a usable configuration or the reason why there is none.
struct ConfigResult {
    std::optional<DriverConfig> config;
    std::string error;  // empty when config holds a value
};

// Parses the text of hiddriver.ini. Keys are case-insensitive; identifiers are hex
// (with or without 0x), lengths and the interface decimal. Lines starting with ';'
// or '#' are comments. VendorId or ProductId of 0000 (the shipped placeholder) or
// missing means "not configured". Unknown or repeated keys in [Device] are errors,
// so that a typing mistake does not silently widen the match.
ConfigResult ParseDriverConfig(const std::string& text);

// Reads and parses the file at path; a missing or unreadable file is an error
// that names the path.
ConfigResult LoadDriverConfig(const std::string& path);

// Parses 1 to 4 hex digits, with an optional 0x prefix, nothing else.
using text::ParseHex16;

}  // namespace talun::hiddriver
