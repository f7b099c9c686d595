// Padding the tool's reports to the device's feature report length and copying
// reads back at the tool's length.
#include "driver/common/FeatureReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>
#include <numeric>

namespace talun::hiddriver {
namespace {

using ::testing::HasSubstr;

// The lengths at which the tool moves its reports.
constexpr int TOOL_LENGTHS[] = {3, 6, 35, 37, 50, 130, 1034};

std::vector<unsigned char> Report(int length) {
    std::vector<unsigned char> report(static_cast<std::size_t>(length));
    std::iota(report.begin(), report.end(), static_cast<unsigned char>(0x2A));
    return report;
}

TEST(PadReport, EveryToolLengthFitsTheLongestFeatureReport) {
    for (const int length : TOOL_LENGTHS) {
        const auto report = Report(length);
        const auto buffer = PadReport(report.data(), length, 1034);
        ASSERT_EQ(buffer.size(), 1034u) << length;
        EXPECT_TRUE(std::equal(report.begin(), report.end(), buffer.begin())) << length;
        EXPECT_TRUE(std::all_of(buffer.begin() + length, buffer.end(), [](uint8_t b) {
            return b == 0;
        })) << length;
    }
}

TEST(PadReport, NeverCutsAReportLongerThanTheDevicesLength) {
    const auto report = Report(130);
    const auto buffer = PadReport(report.data(), 130, 65);
    ASSERT_EQ(buffer.size(), 130u);
    EXPECT_TRUE(std::equal(report.begin(), report.end(), buffer.begin()));
    EXPECT_EQ(PadReport(report.data(), 130, 0).size(), 130u);  // length unknown
    // A descriptor can claim 2^61 bytes (2^29 where size_t has 32 bits); such a
    // length is not believed.
    const std::size_t huge = std::size_t{1} << (std::numeric_limits<std::size_t>::digits - 3);
    EXPECT_EQ(PadReport(report.data(), 130, huge).size(), 130u);
    EXPECT_EQ(PadReport(report.data(), 130, MAX_FEATURE_REPORT_BYTES).size(),
              MAX_FEATURE_REPORT_BYTES);
}

TEST(CopyReportBack, WritesExactlyTheRequestedLength) {
    std::vector<uint8_t> read(1034);
    std::iota(read.begin(), read.end(), static_cast<uint8_t>(1));
    for (const int length : TOOL_LENGTHS) {
        std::vector<unsigned char> caller(static_cast<std::size_t>(length) + 8, 0xEE);
        CopyReportBack(read, caller.data(), length);
        EXPECT_TRUE(std::equal(caller.begin(), caller.begin() + length, read.begin())) << length;
        EXPECT_TRUE(std::all_of(caller.begin() + length, caller.end(),
                                [](unsigned char b) { return b == 0xEE; }))
            << "wrote past the caller's report at length " << length;
    }
    // A device buffer shorter than the request fills only what it holds.
    std::vector<unsigned char> caller(10, 0xEE);
    CopyReportBack({1, 2, 3}, caller.data(), 10);
    EXPECT_EQ(caller[2], 3);
    EXPECT_EQ(caller[3], 0xEE);
}

TEST(ReportArguments, NoBufferOrNoLengthIsRefused) {
    unsigned char byte = 4;
    EXPECT_THAT(CheckReportArguments(nullptr, 3), HasSubstr("no report buffer"));
    EXPECT_THAT(CheckReportArguments(&byte, 0), HasSubstr("length 0"));
    EXPECT_THAT(CheckReportArguments(&byte, -5), HasSubstr("length -5"));
    EXPECT_EQ(CheckReportArguments(&byte, 1), "");
    EXPECT_EQ(DescribeReport(&byte, 3), "report 0x04, 3 bytes");
}

TEST(CopyText, TruncatesAndAlwaysTerminates) {
    char text[6] = "xxxxx";
    EXPECT_EQ(CopyText("Permission denied", text, sizeof text), 5);
    EXPECT_STREQ(text, "Permi");
    EXPECT_EQ(CopyText("ok", text, sizeof text), 2);
    EXPECT_STREQ(text, "ok");
    EXPECT_EQ(CopyText("ok", text, 1), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(CopyText("ok", nullptr, 10), 0);
    EXPECT_EQ(CopyText("ok", text, 0), 0);
}

}  // namespace
}  // namespace talun::hiddriver
