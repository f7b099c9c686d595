// Bytes written as hexadecimal text, both ways: "05 03 00".
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace talun::testing {

// "05 03 00" -> {0x05, 0x03, 0x00}. Blanks, tabs and line ends between the
// bytes are skipped; each byte is two hexadecimal digits.
inline std::vector<uint8_t> FromHex(const std::string& text) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) throw std::invalid_argument("odd hex digit in: " + text);
        out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

// {0x05, 0x03, 0x00} -> "05 03 00" (upper case).
inline std::string ToHex(const std::vector<uint8_t>& bytes) {
    std::string text;
    char two[4];
    for (const uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        if (!text.empty()) text += ' ';
        text += two;
    }
    return text;
}

}  // namespace talun::testing
