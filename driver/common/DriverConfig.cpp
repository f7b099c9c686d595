#include "driver/common/DriverConfig.h"

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

namespace talun::hiddriver {
namespace {

std::string Trim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(s[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
    return s.substr(begin, end - begin);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::optional<unsigned long> ParseDecimal(const std::string& text, unsigned long max) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    unsigned long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

// The keys of [Device], lower case.
constexpr const char* KEY_VENDOR = "vendorid";
constexpr const char* KEY_PRODUCT = "productid";
constexpr const char* KEY_USAGE_PAGE = "usagepage";
constexpr const char* KEY_USAGE = "usage";
constexpr const char* KEY_INTERFACE = "interface";
constexpr const char* KEY_MIN_FEATURE = "minfeaturereportlength";

// Largest feature report a HID device can declare that we care to pad to.
constexpr unsigned long MAX_FEATURE_REPORT_LENGTH = 65535;
constexpr unsigned long MAX_INTERFACE_NUMBER = 255;

ConfigResult Fail(int line, const std::string& what) {
    ConfigResult result;
    result.error = std::string(CONFIG_FILE_NAME) + " line " + std::to_string(line) + ": " + what;
    return result;
}

}  // namespace

std::optional<uint16_t> ParseHex16(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
    }
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        const int lower = std::tolower(static_cast<unsigned char>(c));
        value = value * 16 +
                static_cast<unsigned>(std::isdigit(lower) ? lower - '0' : lower - 'a' + 10);
    }
    return static_cast<uint16_t>(value);
}

ConfigResult ParseDriverConfig(const std::string& text) {
    DriverConfig config;
    bool haveVendor = false;
    bool haveProduct = false;
    bool inDevice = false;
    bool sawDevice = false;
    std::set<std::string> seen;

    std::istringstream lines(text);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(lines, raw)) {
        ++lineNumber;
        if (lineNumber == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            if (line.back() != ']') return Fail(lineNumber, "section header without ']'");
            inDevice = Lower(Trim(line.substr(1, line.size() - 2))) == Lower(CONFIG_SECTION);
            sawDevice = sawDevice || inDevice;
            continue;
        }
        if (!inDevice) continue;

        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            return Fail(lineNumber, "expected Key=Value, got '" + line + "'");
        const std::string key = Lower(Trim(line.substr(0, eq)));
        const std::string value = Trim(line.substr(eq + 1));
        if (!seen.insert(key).second) return Fail(lineNumber, "key '" + key + "' given twice");

        if (key == KEY_VENDOR || key == KEY_PRODUCT || key == KEY_USAGE_PAGE || key == KEY_USAGE) {
            if (value.empty() && (key == KEY_USAGE_PAGE || key == KEY_USAGE)) continue;  // optional
            const auto hex = ParseHex16(value);
            if (!hex) {
                return Fail(lineNumber, Trim(line.substr(0, eq)) + " '" + value +
                                            "' is not a hexadecimal number of 1 to 4 digits");
            }
            if (key == KEY_VENDOR) {
                config.vendorId = *hex;
                haveVendor = true;
            } else if (key == KEY_PRODUCT) {
                config.productId = *hex;
                haveProduct = true;
            } else if (key == KEY_USAGE_PAGE) {
                config.usagePage = *hex;
            } else {
                config.usage = *hex;
            }
        } else if (key == KEY_INTERFACE) {
            if (value.empty()) continue;
            const auto number = ParseDecimal(value, MAX_INTERFACE_NUMBER);
            if (!number)
                return Fail(lineNumber, "Interface '" + value + "' is not a number 0 to 255");
            config.interfaceNumber = static_cast<int>(*number);
        } else if (key == KEY_MIN_FEATURE) {
            const auto number = ParseDecimal(value, MAX_FEATURE_REPORT_LENGTH);
            if (!number || *number == 0) {
                return Fail(lineNumber,
                            "MinFeatureReportLength '" + value + "' is not a number 1 to 65535");
            }
            config.minFeatureReportLength = *number;
        } else {
            return Fail(lineNumber, "unknown key '" + Trim(line.substr(0, eq)) + "'");
        }
    }

    ConfigResult result;
    if (!sawDevice) {
        result.error = std::string(CONFIG_FILE_NAME) + " has no [" + CONFIG_SECTION +
                       "] section: no device configured";
    } else if (!haveVendor || !haveProduct) {
        result.error = std::string(CONFIG_FILE_NAME) + " lacks " +
                       (haveVendor ? "ProductId" : "VendorId") + ": no device configured";
    } else if (config.vendorId == 0 || config.productId == 0) {
        result.error = std::string(CONFIG_FILE_NAME) +
                       " still holds the placeholder identifiers (VendorId/ProductId 0000): no "
                       "device configured; fill in the mouse's real identifiers (see README.md)";
    } else {
        result.config = config;
    }
    return result;
}

ConfigResult LoadDriverConfig(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ConfigResult result;
        result.error = "cannot read " + path + ": no device configured";
        return result;
    }
    std::ostringstream text;
    text << file.rdbuf();
    ConfigResult result = ParseDriverConfig(text.str());
    if (!result.config) result.error += " (" + path + ")";
    return result;
}

}  // namespace talun::hiddriver
