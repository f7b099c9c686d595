// Every report the update writes, byte for byte, against the published dumps.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "protocol/Report.h"
#include "update/DefaultSettings.h"
#include "update/FirmwareImage.h"
#include "update/SettingsRestore.h"

namespace talun {
namespace {

using testing::FromHex;

DeviceSettings Defaults() {
    DeviceSettings settings;
    settings.bytes = DefaultSettingsBytes();
    return settings;
}

TEST(SettingsReports, ProfileReport) {
    EXPECT_EQ(BuildProfileReport(0), FromHex("05 03 00"));
}

TEST(SettingsReports, MainSettingsFollowBreathingMode) {
    for (int breathing : {1, 2, 4}) {
        char b[3];
        std::snprintf(b, sizeof b, "%02X", breathing);
        const Report expected = FromHex(
            "06 25 00 0A 0A 1F 08 10 20 40 50 08 10 20 40 50 01 0F 12 11 13 14 01 02 00 11 00 "
            "01 01 "
            "01 00 01 00 " +
            std::string(b) + " 00 04 03");
        EXPECT_EQ(BuildMainSettingsReport(Defaults(), breathing, 0), expected) << breathing;
    }
}

TEST(SettingsReports, MainSettingsProfileIndexPicksItsCode) {
    for (int p = 0; p < PROFILE_COUNT; ++p) {
        const Report report = BuildMainSettingsReport(Defaults(), 2, p);
        EXPECT_EQ(report[2], p);
        EXPECT_EQ(report[36], ProfileIndexCodes[p]);
    }
}

TEST(SettingsReports, ButtonMapWithDefaultCodes) {
    const Report expected = FromHex(
        "07 32 00 01 00 00 02 00 00 03 00 00 07 00 00 08 00 00 0E 00 00 0F 00 00 20 00 00 1F 00 00 "
        "00 00 00 00 00 00 00 00 00 00 00 00 09 00 00 0A 00 00 BD 00");
    EXPECT_EQ(BuildButtonMapReport(0, Defaults().ButtonCodes()), expected);
}

TEST(SettingsReports, EmptyButtonMapChecksum) {
    const Report report = BuildButtonMapReport(0, {});
    EXPECT_EQ(report[48], 0x39);
    EXPECT_EQ(report[49], 0x00);
}

TEST(SettingsReports, OtgSpeedReport) {
    EXPECT_EQ(BuildOtgSpeedReport(Defaults()), FromHex("08 06 0A 03 06 00"));
}

class FirmwareChunks : public ::testing::Test {
  protected:
    // An image of 0xFF bytes makes every sum overflow 16 bits.
    FirmwareImage image =
        *FirmwareImage::FromImage(std::vector<uint8_t>(FIRMWARE_IMAGE_SIZE, 0xFF));
};

TEST_F(FirmwareChunks, FramingOfEveryChunk) {
    for (int n = 1; n <= 3; ++n) {
        const Report chunk = BuildFirmwareChunk(image, n);
        ASSERT_EQ(chunk.size(), 1034u);
        EXPECT_EQ(chunk[0], 0x2A);
        EXPECT_EQ(chunk[1], n);
        for (int i = 2; i < 8; ++i) EXPECT_EQ(chunk[i], 0) << "chunk " << n << " byte " << i;
    }
}

TEST_F(FirmwareChunks, PayloadComesFromTheRightPartOfTheImage) {
    std::vector<uint8_t> bytes(FIRMWARE_IMAGE_SIZE);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    const FirmwareImage counting = *FirmwareImage::FromImage(bytes);
    for (int n = 1; n <= 3; ++n) {
        const Report chunk = BuildFirmwareChunk(counting, n);
        const int payload = n < 3 ? 1024 : 1020;
        for (int i = 0; i < payload; ++i) {
            ASSERT_EQ(chunk[8 + i], bytes[(n - 1) * 1024 + i]) << "chunk " << n << " offset " << i;
        }
    }
}

TEST_F(FirmwareChunks, LastChunkCarriesTheTrailerThenZeros) {
    const Report chunk = BuildFirmwareChunk(image, 3);
    EXPECT_EQ(chunk[1027], 0xFF);  // last image byte
    EXPECT_EQ(chunk[1028], 0x77);
    EXPECT_EQ(chunk[1029], 0x2E);
    EXPECT_EQ(chunk[1030], 0x00);
    EXPECT_EQ(chunk[1031], 0x00);
}

TEST_F(FirmwareChunks, ChecksumKeepsLow16BitsOfTheSumOfBytes0To1031) {
    // Chunk 1: 0x2A + 0x01 + 1024 * 0xFF = 261163 = 0x3FC2B -> 2B FC.
    const Report first = BuildFirmwareChunk(image, 1);
    EXPECT_EQ(first[1032], 0x2B);
    EXPECT_EQ(first[1033], 0xFC);
    // Chunk 3: 0x2A + 0x03 + 1020 * 0xFF + 0x77 + 0x2E = 0x3F8D6 -> D6 F8.
    const Report last = BuildFirmwareChunk(image, 3);
    EXPECT_EQ(last[1032], 0xD6);
    EXPECT_EQ(last[1033], 0xF8);
}

TEST(FirmwareImageFile, OnlyExactly3068BytesMakeAnImage) {
    EXPECT_FALSE(FirmwareImage::FromImage(std::vector<uint8_t>(3067)));
    EXPECT_FALSE(FirmwareImage::FromImage(std::vector<uint8_t>(3070)));
    EXPECT_FALSE(FirmwareImage::FromImage({}));
    ASSERT_TRUE(FirmwareImage::FromImage(std::vector<uint8_t>(3068)));
    EXPECT_EQ(FirmwareImage::FromImage(std::vector<uint8_t>(3068))->Block().size(), 3070u);
}

TEST(FirmwareImageFile, PlaceholderIsRecognisedAndSaysSo) {
    EXPECT_TRUE(FirmwareImage::BuiltIn().IsPlaceholder());  // the repository's image
    EXPECT_NE(FirmwareImage::BuiltIn().Describe().find("placeholder"), std::string::npos);
    const FirmwareImage real = *FirmwareImage::FromImage(std::vector<uint8_t>(3068, 0x11));
    EXPECT_FALSE(real.IsPlaceholder());
    EXPECT_EQ(real.Describe().find("placeholder"), std::string::npos);
}

}  // namespace
}  // namespace talun
