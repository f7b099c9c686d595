// Reading "key = value" text one line at a time, and the small text helpers that
// go with it: trim, lower case, numbers. Used for hiddriver.ini, the simulated
// mouse's scenario file and its control lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace talun::text {

// Without leading and trailing white space (blanks, tabs, line ends).
std::string Trim(const std::string& text);
// ASCII letters in lower case; every other byte as it is.
std::string Lower(std::string text);

// Decimal digits only, at most 9 of them, value at most max.
std::optional<unsigned long> ParseDecimal(const std::string& text, unsigned long max);
// 1 to 4 hex digits, with an optional 0x prefix, nothing else.
std::optional<uint16_t> ParseHex16(const std::string& text);
// An optional sign, then decimal digits or 0x and hex digits (at most 15);
// surrounding white space is ignored.
std::optional<int64_t> ParseInteger(const std::string& text);
// ParseInteger, and the value within low..high.
std::optional<int64_t> ParseIntegerInRange(const std::string& text, int64_t low, int64_t high);

// Items separated by commas and/or blanks.
std::vector<std::string> SplitList(const std::string& text);

// One meaningful line of key=value text.
struct KeyValueLine {
    enum Kind {
        Section,          // "[name]": name holds the trimmed name
        UnclosedSection,  // "[name" without the closing ']'
        Pair,             // "key = value": key and value trimmed, key as written
        Malformed,        // anything else: no '='
    };
    Kind kind = Pair;
    int number = 0;  // 1-based line number
    std::string name;
    std::string key;
    std::string value;
    std::string text;  // the trimmed line
};

// "key=value" split at the first '=', both sides trimmed; nullopt without '='.
std::optional<KeyValueLine> SplitKeyValue(const std::string& text);

// Walks the lines of a text. Blank lines and lines whose first character is one
// of commentStarts are skipped; a UTF-8 byte order mark before the first line is
// dropped; line ends may be LF or CR LF.
class KeyValueReader {
  public:
    explicit KeyValueReader(std::string text, std::string commentStarts = ";#");
    // The next meaningful line, or nullopt at the end of the text.
    std::optional<KeyValueLine> Next();

  private:
    std::string text_;
    std::string commentStarts_;
    std::size_t position_ = 0;
    int number_ = 0;
};

}  // namespace talun::text
