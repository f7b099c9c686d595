#include "driver/common/DriverConfig.h"

#include <fstream>
#include <set>
#include <sstream>

#include "platform/KeyValueText.h"

namespace talun::hiddriver {
namespace {

using text::Lower;
using text::ParseDecimal;

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

namespace {

// What [Device] has said so far.
struct DeviceSection {
    DriverConfig config;
    bool haveVendor = false;
    bool haveProduct = false;
};

// Applies one key of [Device]; the reason when its value is not good.
std::optional<std::string> ApplyKey(DeviceSection& section, const std::string& written,
                                    const std::string& value) {
    DriverConfig& config = section.config;
    const std::string key = Lower(written);
    if (key == KEY_VENDOR || key == KEY_PRODUCT || key == KEY_USAGE_PAGE || key == KEY_USAGE) {
        if (value.empty() && (key == KEY_USAGE_PAGE || key == KEY_USAGE)) return {};  // optional
        const auto hex = ParseHex16(value);
        if (!hex) return written + " '" + value + "' is not a hexadecimal number of 1 to 4 digits";
        if (key == KEY_VENDOR) {
            config.vendorId = *hex;
            section.haveVendor = true;
        } else if (key == KEY_PRODUCT) {
            config.productId = *hex;
            section.haveProduct = true;
        } else if (key == KEY_USAGE_PAGE) {
            config.usagePage = *hex;
        } else {
            config.usage = *hex;
        }
    } else if (key == KEY_INTERFACE) {
        if (value.empty()) return {};
        const auto number = ParseDecimal(value, MAX_INTERFACE_NUMBER);
        if (!number) return "Interface '" + value + "' is not a number 0 to 255";
        config.interfaceNumber = static_cast<int>(*number);
    } else if (key == KEY_MIN_FEATURE) {
        const auto number = ParseDecimal(value, MAX_FEATURE_REPORT_LENGTH);
        if (!number || *number == 0)
            return "MinFeatureReportLength '" + value + "' is not a number 1 to 65535";
        config.minFeatureReportLength = *number;
    } else {
        return "unknown key '" + written + "'";
    }
    return {};
}

// A whole file read: a device, or why there is none.
ConfigResult Conclude(const DeviceSection& section, bool sawDevice) {
    ConfigResult result;
    if (!sawDevice) {
        result.error = std::string(CONFIG_FILE_NAME) + " has no [" + CONFIG_SECTION +
                       "] section: no device configured";
    } else if (!section.haveVendor || !section.haveProduct) {
        result.error = std::string(CONFIG_FILE_NAME) + " lacks " +
                       (section.haveVendor ? "ProductId" : "VendorId") + ": no device configured";
    } else if (section.config.vendorId == 0 || section.config.productId == 0) {
        result.error = std::string(CONFIG_FILE_NAME) +
                       " still holds the placeholder identifiers (VendorId/ProductId 0000): no "
                       "device configured; fill in the mouse's real identifiers (see README.md)";
    } else {
        result.config = section.config;
    }
    return result;
}

}  // namespace

ConfigResult ParseDriverConfig(const std::string& text) {
    DeviceSection section;
    bool inDevice = false;
    bool sawDevice = false;
    std::set<std::string> seen;

    text::KeyValueReader reader(text, ";#");
    while (const auto line = reader.Next()) {
        if (line->kind == text::KeyValueLine::UnclosedSection)
            return Fail(line->number, "section header without ']'");
        if (line->kind == text::KeyValueLine::Section) {
            inDevice = Lower(line->name) == Lower(CONFIG_SECTION);
            sawDevice = sawDevice || inDevice;
            continue;
        }
        if (!inDevice) continue;
        if (line->kind == text::KeyValueLine::Malformed)
            return Fail(line->number, "expected Key=Value, got '" + line->text + "'");
        const std::string key = Lower(line->key);
        if (!seen.insert(key).second) return Fail(line->number, "key '" + key + "' given twice");
        if (const auto bad = ApplyKey(section, line->key, line->value)) {
            return Fail(line->number, *bad);
        }
    }
    return Conclude(section, sawDevice);
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
