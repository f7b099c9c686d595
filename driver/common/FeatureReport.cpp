#include "driver/common/FeatureReport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace talun::hiddriver {

std::string CheckReportArguments(const unsigned char* report, int length) {
    if (report == nullptr) return "no report buffer";
    if (length <= 0) return "report length " + std::to_string(length) + " (at least the ID byte)";
    return {};
}

std::string DescribeReport(const unsigned char* report, int length) {
    char text[48];
    std::snprintf(text, sizeof text, "report 0x%02x, %d bytes", report != nullptr ? report[0] : 0u,
                  length);
    return text;
}

std::vector<uint8_t> PadReport(const unsigned char* report, int length, std::size_t deviceLength) {
    const std::size_t given = length > 0 ? static_cast<std::size_t>(length) : 0;
    const std::size_t padTo = deviceLength <= MAX_FEATURE_REPORT_BYTES ? deviceLength : 0;
    std::vector<uint8_t> buffer(std::max(given, padTo), 0);
    if (report != nullptr && given > 0) std::memcpy(buffer.data(), report, given);
    return buffer;
}

void CopyReportBack(const std::vector<uint8_t>& buffer, unsigned char* report, int length) {
    if (report == nullptr || length <= 0) return;
    const std::size_t count = std::min(buffer.size(), static_cast<std::size_t>(length));
    std::memcpy(report, buffer.data(), count);
}

int CopyText(const std::string& text, char* out, int capacity) {
    if (out == nullptr || capacity <= 0) return 0;
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(out, text.data(), count);
    out[count] = '\0';
    return static_cast<int>(count);
}

}  // namespace talun::hiddriver
