// What a HID report descriptor says about feature reports.
//
// Windows works out each top-level collection's longest feature report for us
// (HIDP_CAPS.FeatureReportByteLength). hidraw hands out the raw descriptor, so on
// Linux we work it out here, the same way: per top-level collection, and per
// report ID, the byte length of a feature report counting the report-ID byte
// (which is there in the buffer even when the device numbers no reports).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace talun::hiddriver {

struct TopLevelCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    // Report ID (0 when the device numbers no reports) -> length in bytes, ID byte included.
    std::map<uint8_t, std::size_t> featureLengths;
    // The longest of featureLengths, 0 when the collection has no feature report.
    std::size_t featureReportByteLength = 0;
};

struct ReportDescriptorInfo {
    std::vector<TopLevelCollection> collections;
    std::string error;  // set when the descriptor is malformed; what was parsed so far is kept
};

ReportDescriptorInfo ParseReportDescriptor(const uint8_t* data, std::size_t size);

// Length of the feature report with this ID over all collections, 0 when unknown.
std::size_t FeatureLengthForReportId(const ReportDescriptorInfo& info, uint8_t reportId);

}  // namespace talun::hiddriver
