// Any bytes as default.ini: the reader answers within its buffer and never
// misbehaves; "Breathing" is always one of 1, 2 or 4 afterwards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/PortableProfileFile.h"
#include "update/DefaultSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view contents(reinterpret_cast<const char*>(data), size);
    const std::size_t bufferSize = size > 0 ? 1 + data[0] % 40 : 300;
    for (const char* key : {"Breathing", "OTGSpeed", ""}) {
        const std::string value = talun::PortableProfileFile::ReadFromContents(
            contents, "Main Setting", key, "", bufferSize);
        if (value.size() >= bufferSize) std::abort();
        const auto parsed = talun::ParseHexValue(value);
        (void)parsed;
    }
    const std::string value = talun::PortableProfileFile::ReadFromContents(
        contents, "Main Setting", "Breathing", "", talun::SETTINGS_VALUE_BUFFER);
    if (value.size() >= talun::SETTINGS_VALUE_BUFFER) std::abort();
    return 0;
}
