#include "driver/sim/SimFiles.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "device/TraceFormat.h"
#include "protocol/Reports.h"

namespace talun::sim {

namespace {

constexpr uint8_t kStateIds[] = {REPORT_STATUS,        REPORT_PROFILE,   REPORT_MAIN_SETTINGS,
                                 REPORT_BUTTON_MAP,    REPORT_OTG_SPEED, REPORT_MACRO,
                                 REPORT_FIRMWARE_CHUNK};
constexpr int kBreathingModes[] = {1, 2, 4};

const char* YesNo(bool b) {
    return b ? "yes" : "no";
}

std::string Hex2(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", v & 0xFFu);
    return text;
}

}  // namespace

std::string FormatTraceLine(const TraceEntry& e) {
    TraceLine line(e.direction == TraceEntry::Set ? TraceKind::SetFeature : TraceKind::GetFeature,
                   e.timeMs);
    line.length = e.length;
    line.result = e.result;
    line.bytes = e.bytes;
    return talun::FormatTraceLine(line);
}

std::string FormatState(const SimMouse& mouse, const std::vector<uint8_t>* expectedBlock,
                        uint64_t sequence, const std::vector<std::string>& scenarioErrors) {
    std::ostringstream out;
    out << "sequence=" << sequence << "\n";
    out << "present=" << YesNo(mouse.IsPresent()) << "\n";
    out << "open=" << YesNo(mouse.IsOpen()) << "\n";
    out << "holds_complete_image=" << YesNo(mouse.HoldsSomeCompleteImage()) << "\n";
    out << "image_matches_firmware_file="
        << (expectedBlock == nullptr ? "unknown" : YesNo(mouse.HoldsCompleteImage(*expectedBlock)))
        << "\n";
    for (const int mode : kBreathingModes)
        out << "holds_default_settings_" << mode << "=" << YesNo(mouse.HoldsDefaultSettings(mode))
            << "\n";
    out << "current_profile=" << mouse.CurrentProfile() << "\n";
    for (const uint8_t id : kStateIds) {
        out << "writes_0x" << Hex2(id) << "=" << mouse.AcceptedWrites(id) << "\n";
        out << "commits_0x" << Hex2(id) << "=" << mouse.Commits(id) << "\n";
    }
    out << "reads=" << mouse.GetCalls() << "\n";
    out << "scenario_errors=" << scenarioErrors.size() << "\n";
    for (const auto& e : scenarioErrors) out << "scenario_error=" << e << "\n";
    return out.str();
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

std::optional<std::vector<uint8_t>> LoadFirmwareBlock(const std::string& path, std::string& error) {
    const auto content = ReadWholeFile(path);
    if (!content) {
        error = "firmware_file " + path + " cannot be read";
        return std::nullopt;
    }
    std::vector<uint8_t> block(content->begin(), content->end());
    if (block.size() == static_cast<std::size_t>(FIRMWARE_IMAGE_SIZE)) {
        block.push_back(static_cast<uint8_t>(FIRMWARE_TRAILER & 0xFF));
        block.push_back(static_cast<uint8_t>(FIRMWARE_TRAILER >> 8));
    }
    if (block.size() != static_cast<std::size_t>(FIRMWARE_BLOCK_SIZE)) {
        error = "firmware_file " + path + " holds " + std::to_string(content->size()) +
                " bytes, expected " + std::to_string(FIRMWARE_IMAGE_SIZE) + " or " +
                std::to_string(FIRMWARE_BLOCK_SIZE);
        return std::nullopt;
    }
    return block;
}

bool ReplaceFileContent(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text;
        out.close();
        if (!out) return false;
    }
#ifdef _WIN32
    if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
#else
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
#endif
    // A reader holding the file open can block the rename on Windows: write in place.
    std::remove(temporary.c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

std::vector<std::string> ControlFileReader::NewLines() {
    std::vector<std::string> lines;
    std::ifstream in(path_, std::ios::binary);
    if (!in) return lines;
    in.seekg(0, std::ios::end);
    const auto size = static_cast<uint64_t>(in.tellg());
    if (size < offset_) offset_ = 0;  // replaced or truncated: start over
    if (size == offset_) return lines;
    in.seekg(static_cast<std::streamoff>(offset_));
    std::string chunk(static_cast<std::size_t>(size - offset_), '\0');
    in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    chunk.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t start = 0;
    for (std::size_t end; (end = chunk.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = chunk.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    offset_ += start;  // an unfinished last line waits for its line feed
    return lines;
}

}  // namespace talun::sim
