// Any bytes as hiddriver.ini: either a configuration within the documented
// ranges or a reason, never both; a configuration written back out in the
// file's own form reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/common/DriverConfig.h"

namespace {

using talun::hiddriver::DriverConfig;

std::string Hex(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

std::string Written(const DriverConfig& c) {
    std::string text = "[Device]\nVendorId=" + Hex(c.vendorId) + "\nProductId=" + Hex(c.productId);
    if (c.usagePage) text += "\nUsagePage=0x" + Hex(*c.usagePage);
    if (c.usage) text += "\nUsage=" + Hex(*c.usage);
    if (c.interfaceNumber) text += "\nInterface=" + std::to_string(*c.interfaceNumber);
    return text + "\nMinFeatureReportLength=" + std::to_string(c.minFeatureReportLength) + "\n";
}

bool Same(const DriverConfig& a, const DriverConfig& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId && a.usagePage == b.usagePage &&
           a.usage == b.usage && a.interfaceNumber == b.interfaceNumber &&
           a.minFeatureReportLength == b.minFeatureReportLength;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto result = talun::hiddriver::ParseDriverConfig(text);
    if (result.config.has_value() == !result.error.empty()) std::abort();
    if (const auto& c = result.config) {
        if (c->vendorId == 0 || c->productId == 0) std::abort();
        if (c->minFeatureReportLength < 1 || c->minFeatureReportLength > 65535) std::abort();
        if (c->interfaceNumber && (*c->interfaceNumber < 0 || *c->interfaceNumber > 255))
            std::abort();
        const auto again = talun::hiddriver::ParseDriverConfig(Written(*c));
        if (!again.config || !Same(*again.config, *c)) std::abort();
    }
    if (const auto hex = talun::hiddriver::ParseHex16(text)) {
        if (std::strtoul(text.c_str(), nullptr, 16) != *hex) std::abort();
    }
    return 0;
}
