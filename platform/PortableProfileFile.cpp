#include "platform/PortableProfileFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace talun {
namespace {

// What Windows counts as blank around names and values.
bool IsBlank(unsigned char c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1A;
}

unsigned char LowerCase(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerCase(static_cast<unsigned char>(a[i])) !=
            LowerCase(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Text as a C string sees it: up to the first NUL.
std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

// One character of a Unicode file as single-byte text: ASCII and Latin-1 keep
// their code, anything else becomes '?'.
char ToSingleByte(char32_t c) {
    return (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) ? static_cast<char>(c) : '?';
}

std::string FromUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        const char32_t unit = bigEndian ? (first << 8 | second) : (second << 8 | first);
        text += ToSingleByte(unit);
    }
    return text;
}

std::string FromUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        char32_t c = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        if (length == 1) {
            text += static_cast<char>(lead);
            i += 1;
        } else if (valid) {
            text += ToSingleByte(c);
            i += length;
        } else {
            text += '?';
            i += 1;
        }
    }
    return text;
}

// The file's characters as single-byte text, after a byte-order mark if any.
std::string Decode(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return FromUtf8(bytes.substr(3));
    }
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        return FromUtf16(bytes.substr(2), false);
    }
    if (bytes.substr(0, 2) == "\xFE\xFF") {
        return FromUtf16(bytes.substr(2), true);
    }
    return std::string(bytes);
}

// The value of the first key named key in the first section named section;
// nothing when there is none or that key has no '='. Lines before the first
// section header form a section without a name. One pass, no copies.
std::optional<std::string_view> FindValue(std::string_view text, std::string_view section,
                                          std::string_view key) {
    bool inSection = section.empty();
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t lineEnd = std::min(text.find_first_of("\r\n", position), text.size());
        const std::string_view line = Trim(text.substr(position, lineEnd - position));
        position = lineEnd + 1;
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos) {
                if (inSection) {
                    return std::nullopt;  // only the first section of that name counts
                }
                inSection = EqualIgnoringCase(UpToNul(Trim(line.substr(1, close - 1))), section);
                continue;
            }
            // No ']': an ordinary line.
        }
        if (!inSection) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (EqualIgnoringCase(UpToNul(TrimRight(line.substr(0, equals))), key)) {
            if (equals == std::string_view::npos) {
                return std::nullopt;
            }
            return TrimLeft(line.substr(equals + 1));
        }
    }
    return std::nullopt;
}

// The value as it lands in a buffer of bufferSize characters: one pair of
// matching quotes around it dropped, cut to bufferSize - 1 characters.
std::string CopyEntry(std::string_view value, std::size_t bufferSize) {
    value = UpToNul(value);
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (quoted) {
        value.remove_prefix(1);
    }
    std::string copy(value.substr(0, bufferSize - 1));
    // Windows drops the last character copied, which is the closing quote only
    // when the whole value fitted.
    if (quoted && bufferSize >= value.size() && !copy.empty()) {
        copy.pop_back();
    }
    return copy;
}

// The default without trailing spaces; Windows keeps the first character though.
std::string_view CleanDefault(const std::string& defaultValue) {
    std::string_view value = UpToNul(defaultValue);
    while (value.size() > 1 && value.back() == ' ') {
        value.remove_suffix(1);
    }
    return value;
}

enum class FileState { Read, Missing, Unopenable };

FileState ReadFile(const std::string& path, std::size_t maxSize, std::string& contents) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path file(path);
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) {
        // A missing file in an existing folder holds nothing; a missing folder
        // means the file cannot be opened at all.
        const fs::path parent = file.has_parent_path() ? file.parent_path() : fs::path(".");
        return fs::is_directory(parent, error) ? FileState::Missing : FileState::Unopenable;
    }
    if (error || fs::is_directory(status)) {
        return FileState::Unopenable;
    }
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return FileState::Unopenable;
    }
    char chunk[64 * 1024];
    while (stream.read(chunk, sizeof chunk), stream.gcount() > 0) {
        contents.append(chunk, static_cast<std::size_t>(stream.gcount()));
        if (contents.size() > maxSize) {
            contents.clear();  // too large to be a settings file: nothing in it counts
            break;
        }
    }
    return FileState::Read;
}

}  // namespace

std::string PortableProfileFile::ReadString(const std::string& path, const std::string& section,
                                            const std::string& key, const std::string& defaultValue,
                                            std::size_t bufferSize) const {
    if (bufferSize == 0) {
        return {};
    }
    std::string contents;
    switch (ReadFile(path, maxFileSize_, contents)) {
        case FileState::Unopenable:
            return std::string(CleanDefault(defaultValue).substr(0, bufferSize - 1));
        case FileState::Missing:
        case FileState::Read:
            break;
    }
    return ReadFromContents(contents, section, key, defaultValue, bufferSize);
}

std::string PortableProfileFile::ReadFromContents(std::string_view contents,
                                                  const std::string& section,
                                                  const std::string& key,
                                                  const std::string& defaultValue,
                                                  std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    const std::string text = Decode(contents);
    const std::optional<std::string_view> value =
        FindValue(text, Trim(UpToNul(section)), Trim(UpToNul(key)));
    return CopyEntry(value ? *value : CleanDefault(defaultValue), bufferSize);
}

}  // namespace talun
