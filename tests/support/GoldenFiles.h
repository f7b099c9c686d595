// The golden traces' fixed firmware image and their files, for every test that
// compares traffic with them.
#pragma once

#include <string>
#include <vector>

#include "tests/support/FileText.h"
#include "update/FirmwareImage.h"

namespace talun::testing {

// A fixed image, so that a trace does not depend on the image a build embeds.
inline FirmwareImage CountingImage() {
    std::vector<uint8_t> bytes(FIRMWARE_IMAGE_SIZE);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + (i >> 8));
    return *FirmwareImage::FromImage(bytes);
}

inline std::string GoldenPath(const std::string& name) {
    return std::string(TALUN_GOLDEN_DIR) + "/" + name;
}

// The whole file; empty when it is missing.
inline std::string ReadGolden(const std::string& name) {
    return test::ReadFileText(GoldenPath(name)).value_or("");
}

}  // namespace talun::testing
