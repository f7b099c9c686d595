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

// Walks the items of one descriptor, keeping the global and local state that
// the HID rules carry from item to item.
class DescriptorParser {
  public:
    ReportDescriptorInfo Parse(const uint8_t* data, std::size_t size) {
        std::size_t pos = 0;
        while (pos < size && info_.error.empty()) {
            const uint8_t prefix = data[pos];
            if (prefix == LONG_ITEM_PREFIX) {
                if (pos + 2 >= size) {
                    info_.error = "long item runs past the end";
                    break;
                }
                pos += 3 + data[pos + 1];
                continue;
            }
            static constexpr std::size_t SIZES[] = {0, 1, 2, 4};
            const std::size_t length = SIZES[prefix & 0x3];
            if (pos + 1 + length > size) {
                info_.error = "item at offset " + std::to_string(pos) + " runs past the end";
                break;
            }
            uint32_t value = 0;
            for (std::size_t i = 0; i < length; ++i)
                value |= uint32_t{data[pos + 1 + i]} << (8 * i);
            pos += 1 + length;
            Item((prefix >> 2) & 0x3, prefix >> 4, value, length);
        }
        FinishCollection();
        return info_;
    }

  private:
    void Item(uint8_t type, uint8_t tag, uint32_t value, std::size_t length) {
        if (type == ITEM_TYPE_MAIN) {
            MainItem(tag);
        } else if (type == ITEM_TYPE_GLOBAL) {
            GlobalItem(tag, value);
        } else if (type == ITEM_TYPE_LOCAL && tag == LOCAL_USAGE && !haveUsage_) {
            firstUsage_ = length == 4 ? value : (value & 0xFFFF);
            haveUsage_ = true;
        }
    }

    void MainItem(uint8_t tag) {
        if (tag == MAIN_COLLECTION) {
            if (depth_ == 0) StartCollection();
            ++depth_;
        } else if (tag == MAIN_END_COLLECTION) {
            if (depth_ == 0) {
                info_.error = "End Collection without Collection";
                return;
            }
            --depth_;
        } else if (tag == MAIN_FEATURE) {
            if (info_.collections.empty()) info_.collections.emplace_back();  // outside any
            bits_[global_.reportId] += uint64_t{global_.reportSize} * global_.reportCount;
        }
        haveUsage_ = false;  // local items end with every main item
    }

    void GlobalItem(uint8_t tag, uint32_t value) {
        switch (tag) {
            case GLOBAL_USAGE_PAGE:
                global_.usagePage = static_cast<uint16_t>(value);
                break;
            case GLOBAL_REPORT_SIZE:
                global_.reportSize = value;
                break;
            case GLOBAL_REPORT_COUNT:
                global_.reportCount = value;
                break;
            case GLOBAL_REPORT_ID:
                global_.reportId = static_cast<uint8_t>(value);
                break;
            case GLOBAL_PUSH:
                if (stack_.size() < MAX_GLOBAL_STACK) stack_.push_back(global_);
                break;
            case GLOBAL_POP:
                if (!stack_.empty()) {
                    global_ = stack_.back();
                    stack_.pop_back();
                }
                break;
            default:
                break;
        }
    }

    void StartCollection() {
        FinishCollection();
        TopLevelCollection top;
        top.usagePage = global_.usagePage;
        if (haveUsage_) {
            // A four-byte usage carries its own page in the high half.
            if (firstUsage_ > 0xFFFF) top.usagePage = static_cast<uint16_t>(firstUsage_ >> 16);
            top.usage = static_cast<uint16_t>(firstUsage_ & 0xFFFF);
        }
        info_.collections.push_back(top);
    }

    void FinishCollection() {
        if (info_.collections.empty()) return;
        TopLevelCollection& top = info_.collections.back();
        for (const auto& [id, count] : bits_) {
            const std::size_t length = 1 + static_cast<std::size_t>((count + 7) / 8);
            top.featureLengths[id] = length;
            top.featureReportByteLength = std::max(top.featureReportByteLength, length);
        }
        bits_.clear();
    }

    ReportDescriptorInfo info_;
    GlobalState global_;
    std::vector<GlobalState> stack_;
    bool haveUsage_ = false;
    uint32_t firstUsage_ = 0;
    int depth_ = 0;
    // Feature bits per report ID of the current top-level collection.
    std::map<uint8_t, uint64_t> bits_;
};

}  // namespace

ReportDescriptorInfo ParseReportDescriptor(const uint8_t* data, std::size_t size) {
    return DescriptorParser().Parse(data, size);
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
