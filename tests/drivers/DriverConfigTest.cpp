// hiddriver.ini: what configures a mouse, and what leaves it unconfigured with a
// reason an operator can act on.
#include "driver/common/DriverConfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace talun::hiddriver {
namespace {

using ::testing::HasSubstr;

TEST(DriverConfig, ReadsEveryKeyInAnyCaseAndLineEnding) {
    const ConfigResult result = ParseDriverConfig(
        "\xEF\xBB\xBF; a comment\r\n"
        "[Other]\r\n"
        "VendorId=9999\r\n"
        "[ device ]\r\n"
        "# another comment\r\n"
        "vendorid = 0x046D\r\n"
        "PRODUCTID=c52b\r\n"
        "UsagePage=FF00\r\n"
        "Usage=1\r\n"
        "Interface=2\r\n"
        "MinFeatureReportLength=65\r\n");
    ASSERT_TRUE(result.config) << result.error;
    EXPECT_EQ(result.config->vendorId, 0x046D);
    EXPECT_EQ(result.config->productId, 0xC52B);
    EXPECT_EQ(result.config->usagePage, 0xFF00);
    EXPECT_EQ(result.config->usage, 0x0001);
    EXPECT_EQ(result.config->interfaceNumber, 2);
    EXPECT_EQ(result.config->minFeatureReportLength, 65u);
}

TEST(DriverConfig, OptionalKeysMayBeEmptyOrAbsent) {
    const ConfigResult result = ParseDriverConfig(
        "[Device]\nVendorId=1234\nProductId=5678\nUsagePage=\nUsage=\nInterface=\n");
    ASSERT_TRUE(result.config) << result.error;
    EXPECT_FALSE(result.config->usagePage);
    EXPECT_FALSE(result.config->usage);
    EXPECT_FALSE(result.config->interfaceNumber);
    EXPECT_EQ(result.config->minFeatureReportLength, DEFAULT_MIN_FEATURE_REPORT_LENGTH);
}

TEST(DriverConfig, PlaceholderOrMissingIdentifiersConfigureNoDevice) {
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"[Device]\nVendorId=0000\nProductId=0000\n", "placeholder"},
        {"[Device]\nVendorId=1234\nProductId=0\n", "placeholder"},
        {"[Device]\nVendorId=0x0000\nProductId=5678\n", "placeholder"},
        {"[Device]\nVendorId=1234\n", "lacks ProductId"},
        {"[Device]\nProductId=1234\n", "lacks VendorId"},
        {"[Other]\nVendorId=1234\nProductId=5678\n", "no [Device] section"},
        {"", "no [Device] section"},
    };
    for (const Case& c : cases) {
        const ConfigResult result = ParseDriverConfig(c.text);
        EXPECT_FALSE(result.config) << c.text;
        EXPECT_THAT(result.error, HasSubstr(c.reason)) << c.text;
        EXPECT_THAT(result.error, HasSubstr("no device configured")) << c.text;
    }
}

TEST(DriverConfig, MalformedLinesAreRefusedWithTheirLineNumber) {
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {"[Device]\nVendorId=12345\nProductId=5678\n",
         "line 2: VendorId '12345' is not a hexadecimal"},
        {"[Device]\nVendorId=xyz\n", "line 2: VendorId 'xyz'"},
        {"[Device]\nVendorId=0x\n", "line 2"},
        {"[Device]\nVendorId=12 34\n", "line 2"},
        {"[Device]\nVendorId=046d ; the mouse\n", "line 2"},
        {"[Device]\nVendorId=1234\nProductId=5678\nUsagePage=-1\n", "line 4: UsagePage"},
        {"[Device]\nVendorId=1234\nVendorID=1234\n", "line 3: key 'vendorid' given twice"},
        {"[Device]\nVendorId=1234\nProduktId=5678\n", "line 3: unknown key 'ProduktId'"},
        {"[Device]\nVendorId\n", "line 2: expected Key=Value"},
        {"[Device\nVendorId=1234\n", "line 1: section header"},
        {"[Device]\nInterface=256\n", "line 2: Interface '256'"},
        {"[Device]\nInterface=0x01\n", "line 2: Interface"},
        {"[Device]\nMinFeatureReportLength=0\n", "line 2: MinFeatureReportLength '0'"},
        {"[Device]\nMinFeatureReportLength=65536\n", "line 2: MinFeatureReportLength"},
        {"[Device]\nMinFeatureReportLength=\n", "line 2: MinFeatureReportLength"},
    };
    for (const Case& c : cases) {
        const ConfigResult result = ParseDriverConfig(c.text);
        EXPECT_FALSE(result.config) << c.text;
        EXPECT_THAT(result.error, HasSubstr(c.reason)) << c.text;
    }
}

TEST(DriverConfig, MissingFileNamesThePath) {
    const ConfigResult result = LoadDriverConfig("no-such-directory/hiddriver.ini");
    EXPECT_FALSE(result.config);
    EXPECT_THAT(result.error, HasSubstr("no-such-directory/hiddriver.ini"));
}

TEST(DriverConfig, Hex16AcceptsOneToFourDigits) {
    EXPECT_EQ(ParseHex16("a"), 0x000A);
    EXPECT_EQ(ParseHex16("0XfFfF"), 0xFFFF);
    EXPECT_FALSE(ParseHex16(""));
    EXPECT_FALSE(ParseHex16("10000"));
    EXPECT_FALSE(ParseHex16("+12"));
    EXPECT_FALSE(ParseHex16("g"));
}

}  // namespace
}  // namespace talun::hiddriver
