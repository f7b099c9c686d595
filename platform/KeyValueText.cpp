#include "platform/KeyValueText.h"

#include <cctype>

namespace talun::text {
namespace {

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool HasHexPrefix(const std::string& text) {
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

}  // namespace

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<unsigned long> ParseDecimal(const std::string& text, unsigned long max) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    unsigned long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value > max) return std::nullopt;
    return value;
}

std::optional<uint16_t> ParseHex16(const std::string& text) {
    const std::string digits = HasHexPrefix(text) ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<uint16_t>(value);
}

std::optional<int64_t> ParseInteger(const std::string& text) {
    std::string t = Trim(text);
    if (t.empty()) return std::nullopt;
    const bool negative = t[0] == '-';
    if (t[0] == '-' || t[0] == '+') t.erase(0, 1);
    const int base = HasHexPrefix(t) ? 16 : 10;
    if (base == 16) t.erase(0, 2);
    if (t.empty() || t.size() > 15) return std::nullopt;
    int64_t value = 0;
    for (const char c : t) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        value = value * base + digit;
    }
    return negative ? -value : value;
}

std::optional<int64_t> ParseIntegerInRange(const std::string& text, int64_t low, int64_t high) {
    const std::optional<int64_t> value = ParseInteger(text);
    if (!value || *value < low || *value > high) return std::nullopt;
    return value;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::string current;
    for (const char c : text) {
        if (c == ',' || c == ' ' || c == '\t') {
            if (!current.empty()) items.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) items.push_back(current);
    return items;
}

std::optional<KeyValueLine> SplitKeyValue(const std::string& text) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) return std::nullopt;
    KeyValueLine line;
    line.kind = KeyValueLine::Pair;
    line.key = Trim(text.substr(0, eq));
    line.value = Trim(text.substr(eq + 1));
    line.text = Trim(text);
    return line;
}

KeyValueReader::KeyValueReader(std::string text, std::string commentStarts)
    : text_(std::move(text)), commentStarts_(std::move(commentStarts)) {
    if (text_.rfind("\xEF\xBB\xBF", 0) == 0) position_ = 3;
}

std::optional<KeyValueLine> KeyValueReader::Next() {
    while (position_ < text_.size()) {
        const std::size_t end = text_.find('\n', position_);
        const std::size_t stop = end == std::string::npos ? text_.size() : end;
        const std::string line = Trim(text_.substr(position_, stop - position_));
        position_ = stop + 1;
        ++number_;
        if (line.empty() || commentStarts_.find(line[0]) != std::string::npos) continue;
        KeyValueLine result;
        if (line[0] == '[') {
            const bool closed = line.back() == ']';
            result.kind = closed ? KeyValueLine::Section : KeyValueLine::UnclosedSection;
            if (closed) result.name = Trim(line.substr(1, line.size() - 2));
        } else if (auto pair = SplitKeyValue(line)) {
            result = *pair;
        } else {
            result.kind = KeyValueLine::Malformed;
        }
        result.number = number_;
        result.text = line;
        return result;
    }
    return std::nullopt;
}

}  // namespace talun::text
