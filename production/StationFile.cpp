#include "production/StationFile.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/KeyValueText.h"

namespace talun::production {
namespace {

inline constexpr char STATION_KEY[] = "station";

bool HasControlCharacter(const std::string& text) {
    for (const char c : text) {
        if (std::iscntrl(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

// Why the line cannot be taken, or empty.
std::string Problem(const text::KeyValueLine& line, const StationFile& file,
                    const std::set<std::string>& labelsUsed, bool stationNamed) {
    if (line.kind != text::KeyValueLine::Pair)
        return "expected \"port = label\" or \"station = name\"";
    if (line.key.empty()) return "no port before '='";
    if (line.value.empty())
        return "no " + std::string(line.key == STATION_KEY ? "name" : "label") + " after '='";
    if (HasControlCharacter(line.key) || HasControlCharacter(line.value))
        return "a control character";
    if (line.key == STATION_KEY) return stationNamed ? "the station is named twice" : "";
    if (file.labels.count(line.key) != 0) return "port " + line.key + " is labelled twice";
    if (labelsUsed.count(line.value) != 0) return "label " + line.value + " is used for two ports";
    return {};
}

}  // namespace

std::optional<StationFile> ParseStationFile(const std::string& content, std::string& error) {
    StationFile file;
    std::set<std::string> labelsUsed;
    bool stationNamed = false;
    text::KeyValueReader reader(content, "#;");
    while (const auto line = reader.Next()) {
        const std::string problem = Problem(*line, file, labelsUsed, stationNamed);
        if (!problem.empty()) {
            error = "line " + std::to_string(line->number) + ": " + problem;
            return std::nullopt;
        }
        if (line->key == STATION_KEY) {
            file.station = line->value;
            stationNamed = true;
        } else {
            file.labels.emplace(line->key, line->value);
            labelsUsed.insert(line->value);
        }
    }
    return file;
}

std::optional<StationFile> ReadStationFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read the station file " + path;
        return std::nullopt;
    }
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto file = ParseStationFile(content, error);
    if (!file) error = "station file " + path + " " + error;
    return file;
}

std::optional<StationFile> LoadStationFile(const std::string& named,
                                           const std::vector<std::string>& folders,
                                           std::string& error) {
    if (!named.empty()) return ReadStationFile(named, error);
    for (const std::string& folder : folders) {
        const std::string path = folder + STATION_FILE_NAME;
        if (std::ifstream(path, std::ios::binary)) return ReadStationFile(path, error);
    }
    return StationFile{};
}

std::string MouseName(const StationFile& station, const std::string& port, int slot) {
    if (!port.empty()) {
        const auto label = station.labels.find(port);
        return label != station.labels.end() ? label->second : port;
    }
    return "slot " + std::to_string(slot);
}

MouseTag TagMouse(const StationFile& station, const std::optional<MouseIdentity>& identity,
                  int slot) {
    MouseTag tag;
    tag.slot = slot;
    if (identity) {
        tag.port = identity->port;
        tag.serial = identity->serial;
    }
    const auto label = station.labels.find(tag.port);
    if (!tag.port.empty() && label != station.labels.end()) tag.label = label->second;
    tag.name = MouseName(station, tag.port, slot);
    return tag;
}

std::string LotProblem(const std::string& lot) {
    if (HasControlCharacter(lot))
        return "the lot holds a line break or another control character; give it on one line";
    return {};
}

}  // namespace talun::production
