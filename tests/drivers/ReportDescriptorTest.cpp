// Feature report lengths from raw HID report descriptors, as hidraw hands them out.
#include "driver/common/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace talun::hiddriver {
namespace {

using Bytes = std::vector<uint8_t>;

void Append(Bytes& to, const Bytes& items) {
    to.insert(to.end(), items.begin(), items.end());
}

// A vendor feature report: Report ID, Report Size 8, Report Count n, Usage, Feature.
Bytes VendorFeature(uint8_t id, uint16_t count) {
    return {0x85,
            id,
            0x75,
            0x08,
            0x96,
            static_cast<uint8_t>(count & 0xFF),
            static_cast<uint8_t>(count >> 8),
            0x09,
            0x01,
            0xB1,
            0x02};
}

// A mouse with a pointer collection (input only) and a vendor collection carrying
// the status report 0x04 (2 data bytes) and the firmware chunk 0x2A (1033 bytes).
Bytes GamingMouse() {
    Bytes d = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01,  // Generic Desktop, Mouse, Application
               0x85, 0x01, 0x09, 0x01, 0xA1, 0x00,  // Report 1, Pointer, Physical
               0x05, 0x09, 0x19, 0x01, 0x29, 0x05, 0x15, 0x00, 0x25,
               0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02,              // five buttons
               0x95, 0x01, 0x75, 0x03, 0x81, 0x01,                    // padding
               0xC0, 0xC0, 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // Vendor page FF00, usage 1
               0x15, 0x00, 0x26, 0xFF, 0x00};
    Append(d, VendorFeature(0x04, 2));
    Append(d, VendorFeature(0x2A, 1033));
    d.push_back(0xC0);
    return d;
}

TEST(ReportDescriptor, LengthsPerCollectionAndReportIdCountTheIdByte) {
    const Bytes d = GamingMouse();
    const ReportDescriptorInfo info = ParseReportDescriptor(d.data(), d.size());
    EXPECT_EQ(info.error, "");
    ASSERT_EQ(info.collections.size(), 2u);
    EXPECT_EQ(info.collections[0].usagePage, 0x0001);
    EXPECT_EQ(info.collections[0].usage, 0x0002);
    EXPECT_EQ(info.collections[0].featureReportByteLength, 0u);
    EXPECT_EQ(info.collections[1].usagePage, 0xFF00);
    EXPECT_EQ(info.collections[1].usage, 0x0001);
    EXPECT_EQ(info.collections[1].featureReportByteLength, 1034u);
    EXPECT_EQ(FeatureLengthForReportId(info, 0x04), 3u);
    EXPECT_EQ(FeatureLengthForReportId(info, 0x2A), 1034u);
    EXPECT_EQ(FeatureLengthForReportId(info, 0x09), 0u);
}

TEST(ReportDescriptor, UnnumberedReportsAndBitFieldsRoundUp) {
    // Vendor page, no report IDs: 7 one-bit fields and one 12-bit field = 19 bits.
    const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x01, 0x95,
                     0x07, 0xB1, 0x02, 0x75, 0x0C, 0x95, 0x01, 0xB1, 0x02, 0xC0};
    const ReportDescriptorInfo info = ParseReportDescriptor(d.data(), d.size());
    ASSERT_EQ(info.collections.size(), 1u);
    EXPECT_EQ(info.collections[0].featureReportByteLength, 1u + 3u);
    EXPECT_EQ(FeatureLengthForReportId(info, 0), 4u);
}

TEST(ReportDescriptor, PushAndPopRestoreTheReportSize) {
    const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x05, 0x75, 0x08, 0x95, 0x02,
                     0xA4,                    // push: size 8, count 2
                     0x75, 0x10, 0xB1, 0x02,  // 2 x 16 bits
                     0xB4,                    // pop
                     0xB1, 0x02,              // 2 x 8 bits
                     0xC0};
    const ReportDescriptorInfo info = ParseReportDescriptor(d.data(), d.size());
    EXPECT_EQ(FeatureLengthForReportId(info, 0x05), 1u + 4u + 2u);
}

TEST(ReportDescriptor, ExtendedUsageCarriesItsOwnPageAndLongItemsAreSkipped) {
    const Bytes d = {0xFE, 0x02, 0x10, 0xAA, 0xBB,  // a long item
                     0x0B, 0x01, 0x00, 0x0C, 0xFF,  // usage FF0C:0001
                     0xA1, 0x01, 0x75, 0x08, 0x95, 0x40, 0xB1, 0x02, 0xC0};
    const ReportDescriptorInfo info = ParseReportDescriptor(d.data(), d.size());
    EXPECT_EQ(info.error, "");
    ASSERT_EQ(info.collections.size(), 1u);
    EXPECT_EQ(info.collections[0].usagePage, 0xFF0C);
    EXPECT_EQ(info.collections[0].usage, 0x0001);
    EXPECT_EQ(info.collections[0].featureReportByteLength, 65u);
}

TEST(ReportDescriptor, TruncatedOrUnbalancedDescriptorsStopWithAnError) {
    Bytes d = GamingMouse();
    for (std::size_t cut = 0; cut < d.size(); ++cut) {
        const ReportDescriptorInfo info = ParseReportDescriptor(d.data(), cut);  // never reads past
        EXPECT_LE(FeatureLengthForReportId(info, 0x2A), 1034u);
    }
    const Bytes cutInItem = {0x06, 0x00};
    EXPECT_NE(ParseReportDescriptor(cutInItem.data(), cutInItem.size()).error, "");
    const Bytes unbalanced = {0xC0};
    EXPECT_NE(ParseReportDescriptor(unbalanced.data(), unbalanced.size()).error, "");
    EXPECT_TRUE(ParseReportDescriptor(nullptr, 0).collections.empty());
}

}  // namespace
}  // namespace talun::hiddriver
