// Moving the tool's reports through a platform that wants other buffer lengths.
//
// The tool hands over each report at its own length (3, 6, 35, 37, 50, 130 or 1034
// bytes, report ID in byte 0). Windows wants every feature buffer as long as the
// collection's longest feature report, and a device may declare a report longer
// than the tool's bytes. So the bytes are copied into a zero-padded buffer of the
// device's length, and after a read the tool's length is copied back out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace talun::hiddriver {

// Why a report handed to SetFeature or GetFeature cannot be used, or empty.
std::string CheckReportArguments(const unsigned char* report, int length);

// "report 0x2a, 1034 bytes", for error texts.
std::string DescribeReport(const unsigned char* report, int length);

// The longest feature report we pad to. A device that declares a longer one (its
// report descriptor can claim up to 2^61 bytes) is not believed.
inline constexpr std::size_t MAX_FEATURE_REPORT_BYTES = 65535;

// A buffer of max(length, deviceLength) bytes: the report's bytes, then zeros; a
// deviceLength above MAX_FEATURE_REPORT_BYTES is ignored.
std::vector<uint8_t> PadReport(const unsigned char* report, int length, std::size_t deviceLength);

// Copies the first length bytes of buffer back to report (never more than the
// buffer holds; the rest of report is left alone).
void CopyReportBack(const std::vector<uint8_t>& buffer, unsigned char* report, int length);

// Copies text into a C caller's buffer, NUL-terminated and truncated to capacity.
// Returns the number of characters written, without the NUL; 0 without a buffer.
int CopyText(const std::string& text, char* out, int capacity);

}  // namespace talun::hiddriver
