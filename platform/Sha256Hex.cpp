#include "platform/Sha256.h"

namespace talun {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Sha256Hex(const Sha256Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * SHA256_DIGEST_SIZE);
    for (const uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

std::optional<Sha256Digest> ParseSha256Hex(const std::string& text) {
    if (text.size() != 2 * SHA256_DIGEST_SIZE) return std::nullopt;
    Sha256Digest digest{};
    for (std::size_t i = 0; i < SHA256_DIGEST_SIZE; ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return digest;
}

}  // namespace talun
