// A scenario of several simulated mice: the keys before any [slot N] section
// apply to every mouse, those of a section to that slot's mouse alone.
#include <map>
#include <optional>

#include "driver/sim/Scenario.h"
#include "platform/KeyValueText.h"

namespace talun::sim {
namespace {

struct KeyLine {
    int number;
    std::string key;
    std::string value;
};

// "slot N": N; nothing for any other section name.
std::optional<int> SlotOfSection(const std::string& name) {
    const std::string t = text::Lower(text::Trim(name));
    if (t.rfind("slot", 0) != 0) return std::nullopt;
    const auto n = text::ParseIntegerInRange(t.substr(4), 0, SIM_MAX_SLOT);
    if (!n) return std::nullopt;
    return static_cast<int>(*n);
}

bool IsStationKey(const std::string& key) {
    return key == "control_file" || key == "poll_ms";
}

// "{slot}" in a file name stands for the slot's number.
bool ExpandSlot(std::string& path, int slot) {
    const auto at = path.find("{slot}");
    if (at == std::string::npos) return false;
    path.replace(at, 6, std::to_string(slot));
    return true;
}

std::string Numbered(int number, const std::string& error) {
    return "line " + std::to_string(number) + ": " + error;
}

// The scenario's key lines, sorted: those for every mouse, and each section's.
struct SortedLines {
    int mice = 1;
    std::vector<KeyLine> common;
    std::map<int, std::vector<KeyLine>> sections;
    std::map<int, int> sectionLines;  // slot -> line of its first [slot N]
};

SortedLines SortLines(const std::string& content, std::vector<std::string>& errors) {
    SortedLines sorted;
    std::optional<int> section;
    text::KeyValueReader reader(content, "#;");
    while (const auto line = reader.Next()) {
        if (line->kind == text::KeyValueLine::Section) {
            section = SlotOfSection(line->name);
            if (section) sorted.sectionLines.emplace(*section, line->number);
            continue;
        }
        if (line->kind == text::KeyValueLine::UnclosedSection) continue;
        if (line->kind == text::KeyValueLine::Malformed) {
            errors.push_back(Numbered(line->number, "expected key = value"));
            continue;
        }
        const std::string key = text::Lower(line->key);
        if (key == "mice" && section) {
            errors.push_back(Numbered(line->number, "mice belongs before any [slot N]"));
        } else if (key == "mice") {
            const auto n = text::ParseIntegerInRange(line->value, 1, SIM_MAX_SLOT + 1);
            if (n) sorted.mice = static_cast<int>(*n);
            if (!n)
                errors.push_back(Numbered(
                    line->number, "mice: expected 1 to " + std::to_string(SIM_MAX_SLOT + 1)));
        } else if (section && IsStationKey(key)) {
            errors.push_back(Numbered(line->number, key + " belongs before any [slot N]"));
        } else {
            (section ? sorted.sections[*section] : sorted.common)
                .push_back({line->number, key, line->value});
        }
    }
    return sorted;
}

}  // namespace

MiceScenario ParseMiceScenario(const std::string& content, const std::string& baseDir) {
    MiceScenario result;
    SortedLines sorted = SortLines(content, result.errors);
    const int mice = sorted.mice;
    for (int slot = 0; slot < mice; ++slot) {
        Scenario mouse;
        for (const KeyLine& k : sorted.common) {
            const std::string error = ApplyScenarioKey(mouse, k.key, k.value, baseDir);
            if (!error.empty() && slot == 0) result.errors.push_back(Numbered(k.number, error));
        }
        // Mice never share a file: a name without {slot} stays mouse 0's.
        for (std::string* file : {&mouse.traceFile, &mouse.stateFile}) {
            if (file->empty() || ExpandSlot(*file, slot) || mice == 1) continue;
            if (slot == 0)
                result.errors.push_back(*file +
                                        ": with several mice, name the file with {slot}; "
                                        "only slot 0 writes it");
            if (slot > 0) file->clear();
        }
        for (const KeyLine& k : sorted.sections[slot]) {
            const std::string error = ApplyScenarioKey(mouse, k.key, k.value, baseDir);
            if (!error.empty()) result.errors.push_back(Numbered(k.number, error));
        }
        ExpandSlot(mouse.port, slot);
        ExpandSlot(mouse.serial, slot);
        result.mice.push_back(mouse);
    }
    for (const auto& [slot, number] : sorted.sectionLines) {
        if (slot >= mice)
            result.errors.push_back(Numbered(
                number, "[slot " + std::to_string(slot) + "] but mice = " + std::to_string(mice)));
    }
    return result;
}

}  // namespace talun::sim
