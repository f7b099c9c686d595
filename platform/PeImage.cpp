#include "platform/PeImage.h"

#include <fstream>
#include <vector>

namespace talun {

namespace {

// The DOS header starts with "MZ" and holds the PE header's offset at 0x3C. The
// PE header is "PE\0\0", a 20-byte file header, then the optional header, whose
// first two bytes say PE32 or PE32+.
constexpr std::size_t DOS_HEADER_SIZE = 0x40;
constexpr std::size_t PE_OFFSET_FIELD = 0x3C;
constexpr std::size_t FILE_HEADER_SIZE = 20;
constexpr std::size_t OPTIONAL_MAGIC_OFFSET = 4 + FILE_HEADER_SIZE;
constexpr uint16_t MAGIC_PE32 = 0x10B;
constexpr uint16_t MAGIC_PE32_PLUS = 0x20B;
// Linkers put the PE header within the first few hundred bytes.
constexpr std::size_t HEADER_READ_LIMIT = 64 * 1024;

uint32_t Little(const uint8_t* bytes, std::size_t count) {
    uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

int PeImageBits(const uint8_t* bytes, std::size_t size) {
    if (bytes == nullptr || size < DOS_HEADER_SIZE || bytes[0] != 'M' || bytes[1] != 'Z') return 0;
    const std::size_t pe = Little(bytes + PE_OFFSET_FIELD, 4);
    if (pe > size || size - pe < OPTIONAL_MAGIC_OFFSET + 2) return 0;
    if (bytes[pe] != 'P' || bytes[pe + 1] != 'E' || bytes[pe + 2] != 0 || bytes[pe + 3] != 0)
        return 0;
    switch (Little(bytes + pe + OPTIONAL_MAGIC_OFFSET, 2)) {
        case MAGIC_PE32:
            return 32;
        case MAGIC_PE32_PLUS:
            return 64;
        default:
            return 0;
    }
}

int PeImageBitsOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    std::vector<uint8_t> head(HEADER_READ_LIMIT);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    return PeImageBits(head.data(), static_cast<std::size_t>(in.gcount()));
}

}  // namespace talun
