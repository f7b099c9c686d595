#include "driver/common/ReportDescriptor.h"

#include <algorithm>

namespace talun::hiddriver {
namespace {

// Short item prefixes with the size bits masked off (HID 1.11, 6.2.2).
constexpr uint8_t ITEM_TYPE_MAIN = 0;
constexpr uint8_t ITEM_TYPE_GLOBAL = 1;
constexpr uint8_t ITEM_TYPE_LOCAL = 2;
constexpr uint8_t LONG_ITEM_PREFIX = 0xFE;

constexpr uint8_t MAIN_FEATURE = 0xB;
constexpr uint8_t MAIN_COLLECTION = 0xA;
constexpr uint8_t MAIN_END_COLLECTION = 0xC;

constexpr uint8_t GLOBAL_USAGE_PAGE = 0x0;
constexpr uint8_t GLOBAL_REPORT_SIZE = 0x7;
constexpr uint8_t GLOBAL_REPORT_ID = 0x8;
constexpr uint8_t GLOBAL_REPORT_COUNT = 0x9;
constexpr uint8_t GLOBAL_PUSH = 0xA;
constexpr uint8_t GLOBAL_POP = 0xB;

constexpr uint8_t LOCAL_USAGE = 0x0;

constexpr std::size_t MAX_GLOBAL_STACK = 16;

struct GlobalState {
    uint16_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

}  // namespace

ReportDescriptorInfo ParseReportDescriptor(const uint8_t* data, std::size_t size) {
    ReportDescriptorInfo info;
    GlobalState global;
    std::vector<GlobalState> stack;
    bool haveUsage = false;
    uint32_t firstUsage = 0;
    int depth = 0;
    // Feature bits per report ID of the current top-level collection.
    std::map<uint8_t, uint64_t> bits;

    auto finishCollection = [&]() {
        if (info.collections.empty()) return;
        TopLevelCollection& top = info.collections.back();
        for (const auto& [id, count] : bits) {
            const std::size_t length = 1 + static_cast<std::size_t>((count + 7) / 8);
            top.featureLengths[id] = length;
            top.featureReportByteLength = std::max(top.featureReportByteLength, length);
        }
        bits.clear();
    };

    std::size_t pos = 0;
    while (pos < size) {
        const uint8_t prefix = data[pos];
        if (prefix == LONG_ITEM_PREFIX) {
            if (pos + 2 >= size) {
                info.error = "long item runs past the end";
                break;
            }
            pos += 3 + data[pos + 1];
            continue;
        }
        static constexpr std::size_t SIZES[] = {0, 1, 2, 4};
        const std::size_t length = SIZES[prefix & 0x3];
        if (pos + 1 + length > size) {
            info.error = "item at offset " + std::to_string(pos) + " runs past the end";
            break;
        }
        uint32_t value = 0;
        for (std::size_t i = 0; i < length; ++i) value |= uint32_t{data[pos + 1 + i]} << (8 * i);
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        pos += 1 + length;

        if (type == ITEM_TYPE_MAIN) {
            if (tag == MAIN_COLLECTION) {
                if (depth == 0) {
                    finishCollection();
                    TopLevelCollection top;
                    top.usagePage = global.usagePage;
                    if (haveUsage) {
                        // A four-byte usage carries its own page in the high half.
                        if (firstUsage > 0xFFFF)
                            top.usagePage = static_cast<uint16_t>(firstUsage >> 16);
                        top.usage = static_cast<uint16_t>(firstUsage & 0xFFFF);
                    }
                    info.collections.push_back(top);
                }
                ++depth;
            } else if (tag == MAIN_END_COLLECTION) {
                if (depth == 0) {
                    info.error = "End Collection without Collection";
                    break;
                }
                --depth;
            } else if (tag == MAIN_FEATURE) {
                if (info.collections.empty()) info.collections.emplace_back();  // outside any
                bits[global.reportId] += uint64_t{global.reportSize} * global.reportCount;
            }
            haveUsage = false;  // local items end with every main item
        } else if (type == ITEM_TYPE_GLOBAL) {
            switch (tag) {
                case GLOBAL_USAGE_PAGE:
                    global.usagePage = static_cast<uint16_t>(value);
                    break;
                case GLOBAL_REPORT_SIZE:
                    global.reportSize = value;
                    break;
                case GLOBAL_REPORT_COUNT:
                    global.reportCount = value;
                    break;
                case GLOBAL_REPORT_ID:
                    global.reportId = static_cast<uint8_t>(value);
                    break;
                case GLOBAL_PUSH:
                    if (stack.size() < MAX_GLOBAL_STACK) stack.push_back(global);
                    break;
                case GLOBAL_POP:
                    if (!stack.empty()) {
                        global = stack.back();
                        stack.pop_back();
                    }
                    break;
                default:
                    break;
            }
        } else if (type == ITEM_TYPE_LOCAL && tag == LOCAL_USAGE && !haveUsage) {
            firstUsage = length == 4 ? value : (value & 0xFFFF);
            haveUsage = true;
        }
    }
    finishCollection();
    return info;
}

std::size_t FeatureLengthForReportId(const ReportDescriptorInfo& info, uint8_t reportId) {
    std::size_t length = 0;
    for (const auto& top : info.collections) {
        const auto it = top.featureLengths.find(reportId);
        if (it != top.featureLengths.end()) length = std::max(length, it->second);
    }
    return length;
}

}  // namespace talun::hiddriver
