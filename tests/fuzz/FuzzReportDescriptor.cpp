// Any bytes as a HID report descriptor: the parser stays inside the buffer, and
// what it says about feature reports agrees with itself: each collection's
// longest feature report is the longest of its report IDs, and the lookup by ID
// is the longest over all collections. The Linux library pads each report to
// the length the descriptor gives: that buffer stays within bounds too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "driver/common/FeatureReport.h"
#include "driver/common/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // A copy of exactly size bytes, so that a read past the end is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    const auto info = talun::hiddriver::ParseReportDescriptor(bytes.data(), bytes.size());
    std::vector<std::size_t> longest(256, 0);
    for (const auto& top : info.collections) {
        std::size_t most = 0;
        for (const auto& [id, length] : top.featureLengths) {
            if (length < 1) std::abort();  // the ID byte is always there
            most = std::max(most, length);
            longest[id] = std::max(longest[id], length);
        }
        if (top.featureReportByteLength != most) std::abort();
    }
    for (int id = 0; id < 256; ++id) {
        const auto length =
            talun::hiddriver::FeatureLengthForReportId(info, static_cast<uint8_t>(id));
        if (length != longest[id]) std::abort();
        const uint8_t report[3] = {static_cast<uint8_t>(id), 3, 0};
        const auto padded = talun::hiddriver::PadReport(report, 3, length);
        if (padded.size() > std::max<std::size_t>(3, talun::hiddriver::MAX_FEATURE_REPORT_BYTES))
            std::abort();
    }
    return 0;
}
