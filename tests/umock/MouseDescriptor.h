// Report descriptors for the emulated mice: a vendor collection that declares
// one feature report per report ID of the protocol, optionally with a pointer
// collection beside it, as a real mouse's interface has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "protocol/Reports.h"

namespace talun::umock {

// Report ID -> the length the descriptor declares, the ID byte included.
using FeatureLengths = std::map<uint8_t, std::size_t>;

// The protocol's own lengths: the longest the tool moves of each report ID.
inline FeatureLengths CatalogueLengths() {
    return {{REPORT_STATUS, LENGTH_STATUS},
            {REPORT_PROFILE, LENGTH_PROFILE},
            {REPORT_MAIN_SETTINGS, LENGTH_MAIN_SETTINGS_WRITE},
            {REPORT_BUTTON_MAP, LENGTH_BUTTON_MAP},
            {REPORT_OTG_SPEED, LENGTH_OTG_SPEED},
            {REPORT_MACRO, LENGTH_MACRO},
            {REPORT_FIRMWARE_CHUNK, LENGTH_FIRMWARE_CHUNK}};
}

// Every catalogue length grown by extra bytes: a descriptor that declares
// longer reports than the tool sends, so that the library must pad them.
inline FeatureLengths LongerLengths(std::size_t extra) {
    FeatureLengths lengths = CatalogueLengths();
    for (auto& [id, length] : lengths) length += extra;
    return lengths;
}

// HID short items used below (tag | type | size).
inline constexpr uint8_t ITEM_USAGE_PAGE_16 = 0x06;
inline constexpr uint8_t ITEM_USAGE_PAGE_8 = 0x05;
inline constexpr uint8_t ITEM_USAGE_8 = 0x09;
inline constexpr uint8_t ITEM_COLLECTION = 0xA1;
inline constexpr uint8_t ITEM_END_COLLECTION = 0xC0;
inline constexpr uint8_t ITEM_REPORT_ID = 0x85;
inline constexpr uint8_t ITEM_REPORT_SIZE = 0x75;
inline constexpr uint8_t ITEM_REPORT_COUNT_16 = 0x96;
inline constexpr uint8_t ITEM_FEATURE = 0xB1;
inline constexpr uint8_t ITEM_INPUT = 0x81;
inline constexpr uint8_t COLLECTION_APPLICATION = 0x01;
inline constexpr uint8_t DATA_VARIABLE = 0x02;
inline constexpr uint16_t PAGE_VENDOR = 0xFF00;
inline constexpr uint8_t PAGE_GENERIC_DESKTOP = 0x01;
inline constexpr uint8_t USAGE_VENDOR = 0x01;
inline constexpr uint8_t USAGE_MOUSE = 0x02;
inline constexpr uint8_t POINTER_REPORT_ID = 0x01;
inline constexpr uint8_t POINTER_REPORT_BYTES = 4;

// A vendor collection (page 0xFF00, usage 1) with a feature report of each
// length; with pointer, a mouse collection (its own report ID, input only) first.
inline std::vector<uint8_t> MouseDescriptor(const FeatureLengths& lengths = CatalogueLengths(),
                                            bool pointer = false) {
    std::vector<uint8_t> d;
    if (pointer) {
        d.insert(d.end(),
                 {ITEM_USAGE_PAGE_8, PAGE_GENERIC_DESKTOP, ITEM_USAGE_8, USAGE_MOUSE,
                  ITEM_COLLECTION, COLLECTION_APPLICATION, ITEM_REPORT_ID, POINTER_REPORT_ID,
                  ITEM_REPORT_SIZE, 8, ITEM_REPORT_COUNT_16, POINTER_REPORT_BYTES, 0, ITEM_INPUT,
                  DATA_VARIABLE, ITEM_END_COLLECTION});
    }
    d.insert(d.end(), {ITEM_USAGE_PAGE_16, PAGE_VENDOR & 0xFF, PAGE_VENDOR >> 8, ITEM_USAGE_8,
                       USAGE_VENDOR, ITEM_COLLECTION, COLLECTION_APPLICATION, ITEM_REPORT_SIZE, 8});
    for (const auto& [id, length] : lengths) {
        const std::size_t data = length - 1;  // the ID byte is not a field
        d.insert(d.end(), {ITEM_REPORT_ID, id, ITEM_USAGE_8, USAGE_VENDOR, ITEM_REPORT_COUNT_16,
                           static_cast<uint8_t>(data & 0xFF), static_cast<uint8_t>(data >> 8),
                           ITEM_FEATURE, DATA_VARIABLE});
    }
    d.push_back(ITEM_END_COLLECTION);
    return d;
}

}  // namespace talun::umock
