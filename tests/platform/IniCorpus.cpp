#include "tests/platform/IniCorpus.h"

#include <cstdint>
#include <sstream>
#include <stdexcept>

#include "tests/support/FileText.h"

namespace talun::inicorpus {

using namespace std::string_literals;

const char* const kAnswersHeader =
    "# Answers of GetPrivateProfileStringA (buffer of 300 characters) to ini-corpus/queries.txt "
    "and the generated probes; written by tests/platform/regenerate-ini-answers.sh";

namespace {

std::string Hex(unsigned value) {
    const char* digits = "0123456789ABCDEF";
    return {digits[(value >> 4) & 0xF], digits[value & 0xF]};
}

std::string Repeat(std::string_view pattern, std::size_t length) {
    std::string text;
    text.reserve(length);
    while (text.size() < length) {
        text.append(pattern.substr(0, length - text.size()));
    }
    return text;
}

std::string Utf16(std::string_view ascii, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        bytes += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return bytes;
}

// Reproducible junk: every byte value, NULs and 0xFF included.
std::string Junk(std::size_t length, uint32_t seed) {
    std::string bytes;
    bytes.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        seed = seed * 1664525u + 1013904223u;
        bytes += static_cast<char>(seed >> 24);
    }
    return bytes;
}

bool IsProbeByte(unsigned byte) {
    return byte != '\n' && byte != '=' && byte != 0;
}

// Every byte around a key name and its value: which ones count as blanks.
CorpusFile BlanksProbe() {
    std::string text = "[blanks]\n";
    for (unsigned b = 1; b < 256; ++b) {
        if (!IsProbeByte(b)) continue;
        const std::string c(1, static_cast<char>(b));
        text += c + "k" + Hex(b) + c + "=" + c + "v" + Hex(b) + c + "\n";
        text += "q" + Hex(b) + "=v\n";
    }
    return {"gen-blanks.ini", text};
}

// Every byte in a key name: which ones match which without regard to case. The
// first of two keys that match wins, so each query answers the first byte that
// matches its own.
CorpusFile CaseProbe() {
    std::string text = "[case]\n";
    for (unsigned b = 0x21; b < 256; ++b) {
        if (!IsProbeByte(b)) continue;
        text += "x" + std::string(1, static_cast<char>(b)) + "=" + Hex(b) + "\n";
    }
    return {"gen-case.ini", text};
}

std::string ValueOfLength(std::size_t length) {
    return Repeat("0123456789", length);
}

}  // namespace

std::vector<CorpusFile> GeneratedFiles() {
    std::vector<CorpusFile> files;
    files.push_back(BlanksProbe());
    files.push_back(CaseProbe());
    files.push_back(
        {"gen-crlf.ini",
         "[Main Setting]\r\nBreathing = 4 \r\nEmpty=\r\n\r\n[Other]\r\nBreathing=1\r\n"});
    files.push_back({"gen-cr.ini", "[Main Setting]\rBreathing=4\rPolling rate=2\r[Other]\rx=1\r"});
    files.push_back({"gen-cr-then-lf.ini",
                     "[Main Setting]\rBreathing=4\nPolling rate=2\r\nA=1\rB=2\n[Other]\rx=1"});
    files.push_back({"gen-lf-cr.ini", "[Main Setting]\n\rBreathing=4\n\r\n\rKey=5\n\r"});
    files.push_back({"gen-no-final-newline.ini", "[Main Setting]\nBreathing=4"});
    files.push_back({"gen-no-final-newline-quoted.ini", "[Main Setting]\r\nBreathing=\"4\""});
    files.push_back({"gen-no-final-newline-header.ini", "[Main Setting]\nBreathing=1\n[Other]"});
    files.push_back({"gen-nul.ini",
                     "[Main\0Setting]\nBreathing=1\n[Main Setting]\nBrea\0thing=2\nBreathing\0x=3\n"
                     "Value=ab\0cd\nQuoted=\"ab\0cd\"\n\0Lead=4\nTail=ab  \0  \nSpc \0x=5\n"
                     "[\0]\nk=v\n[Nul\0junk]\nk=nul\n[Sec \0x]\nk=sec\n"s});
    files.push_back({"gen-high-bytes.ini",
                     "[\xFF]\nk=\xFF\xFE\n[Main Setting]\nBreathing=\xFF"
                     "4\n\xFFkey=\x80\x81\x8D\x9F\n\xE9t\xE9=caf\xE9\n"});
    files.push_back({"gen-bom-utf8.ini",
                     "\xEF\xBB\xBF[Main Setting]\nBreathing=4\nCafe=caf\xC3\xA9\nBad=\xC3(\n"});
    files.push_back({"gen-utf8-no-bom.ini", "[Main Setting]\nCafe=caf\xC3\xA9\n"});
    files.push_back(
        {"gen-utf16le.ini", Utf16("[Main Setting]\r\nBreathing=4\r\nQuoted=\"x\"\r\n", false)});
    files.push_back({"gen-utf16be.ini", Utf16("[Main Setting]\r\nBreathing=4\r\n", true)});
    files.push_back({"gen-junk-ffff.ini", "\xFF\xFF\0\x01junk\n[Main Setting]\nBreathing=4\n"s});
    files.push_back({"gen-junk.ini", Junk(4096, 1) + "\n[Main Setting]\nBreathing=4\n"});
    files.push_back({"gen-junk-between.ini",
                     "[Main Setting]\n" + Junk(2048, 7) + "\nBreathing=4\n" + Junk(2048, 8)});
    files.push_back({"gen-long-value.ini",
                     "[Main Setting]\nBreathing=" + Repeat("abcdefghij", 2 << 20) + "\nNext=1\n"});
    files.push_back({"gen-long-junk-line.ini",
                     Repeat("x=]y[ \t;", 3 << 20) + "\n[Main Setting]\nBreathing=4\n"});
    files.push_back({"gen-long-section-line.ini",
                     "[" + Repeat("s", 1 << 20) + "]\nk=1\n[Main Setting]\nBreathing=4\n"});
    files.push_back(
        {"gen-long-key-line.ini", "[Main Setting]\n" + Repeat("k", 1 << 20) + "=1\nBreathing=4\n"});
    {
        std::string text = "[Main Setting]\n";
        for (std::size_t length : {297, 298, 299, 300, 301}) {
            text += "v" + std::to_string(length) + "=" + ValueOfLength(length) + "\n";
            text += "q" + std::to_string(length) + "=\"" + ValueOfLength(length) + "\"\n";
        }
        files.push_back({"gen-value-lengths.ini", text});
    }
    {
        std::string lf = "[Main Setting]\n";
        std::string cr = "[Main Setting]\r";
        for (int i = 0; i < 100000; ++i) {
            lf += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
            cr += "key" + std::to_string(i) + "=" + std::to_string(i) + "\r";
        }
        files.push_back({"gen-many-lines.ini", lf + "Breathing=4\n"});
        files.push_back({"gen-many-cr-lines.ini", cr + "Breathing=4\r"});
    }
    return files;
}

std::vector<Query> GeneratedQueries() {
    std::vector<Query> queries;
    for (unsigned b = 1; b < 256; ++b) {
        if (!IsProbeByte(b)) continue;
        const std::string c(1, static_cast<char>(b));
        // Blanks in the file, then blanks in the query.
        queries.push_back({"gen-blanks.ini", "blanks", "k" + Hex(b), "none"});
        queries.push_back({"gen-blanks.ini", c + "blanks" + c, c + "q" + Hex(b) + c, "none"});
    }
    for (unsigned b = 0x21; b < 256; ++b) {
        if (!IsProbeByte(b)) continue;
        queries.push_back(
            {"gen-case.ini", "CASE", "X" + std::string(1, static_cast<char>(b)), "none"});
    }
    return queries;
}

std::vector<Query> ParseQueries(const std::string& text) {
    std::vector<Query> queries;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields(1);
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (c == '|') {
                fields.emplace_back();
            } else if (c != '\\') {
                fields.back() += c;
            } else if (i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '|')) {
                fields.back() += line[++i];
            } else if (i + 3 < line.size() && line[i + 1] == 'x') {
                fields.back() += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
                i += 3;
            } else {
                throw std::runtime_error("queries.txt line " + std::to_string(number) +
                                         ": bad escape");
            }
        }
        if (fields.size() != 4 || fields[0].empty()) {
            throw std::runtime_error("queries.txt line " + std::to_string(number) +
                                     ": want file|section|key|default");
        }
        queries.push_back({fields[0], fields[1], fields[2], fields[3]});
    }
    return queries;
}

std::vector<Query> AllQueries(const std::string& corpusDir) {
    std::vector<Query> queries = ParseQueries(ReadWholeFile(corpusDir + "/queries.txt"));
    for (Query& query : GeneratedQueries()) {
        queries.push_back(std::move(query));
    }
    return queries;
}

std::string FilePath(const Query& query, const std::string& corpusDir, const std::string& workDir) {
    const bool generated = query.file.rfind("gen-", 0) == 0;
    return (generated ? workDir : corpusDir) + "/" + query.file;
}

void WriteGeneratedFiles(const std::string& workDir) {
    for (const CorpusFile& file : GeneratedFiles()) {
        const std::string path = workDir + "/" + file.name;
        if (!test::WriteFileText(path, file.contents))
            throw std::runtime_error("cannot write " + path);
    }
}

std::string Escape(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '|') {
            escaped += '\\';
            escaped += c;
        } else if (byte >= 0x20 && byte < 0x7F) {
            escaped += c;
        } else {
            escaped += "\\x" + Hex(byte);
        }
    }
    return escaped;
}

std::string AnswerLine(const Query& query, const std::string& answer) {
    return Escape(query.file) + "|" + Escape(query.section) + "|" + Escape(query.key) + "|" +
           Escape(query.defaultValue) + " => [" + Escape(answer) + "]";
}

std::string ReadWholeFile(const std::string& path) {
    if (auto text = test::ReadFileText(path)) return std::move(*text);
    throw std::runtime_error("cannot read " + path);
}

}  // namespace talun::inicorpus
