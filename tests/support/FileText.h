// Whole files as text in the tests: read back, written anew or appended to,
// byte for byte.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace talun::test {

// The whole file; nothing when it cannot be read.
inline std::optional<std::string> ReadFileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The file made anew with text (or text added at its end); false when it cannot be written.
inline bool WriteFileText(const std::filesystem::path& path, const std::string& text,
                          bool append = false) {
    std::ofstream out(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc));
    out << text << std::flush;
    return static_cast<bool>(out);
}

}  // namespace talun::test
