#include "driver/sim/Scenario.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <map>
#include <utility>

#include "platform/KeyValueText.h"
#include "protocol/Reports.h"

namespace talun::sim {
namespace {

using text::ParseIntegerInRange;
using text::SplitList;

// Every report ID the mouse accepts a write of: what "*" stands for.
constexpr uint8_t kWriteIds[] = {REPORT_STATUS,        REPORT_PROFILE,   REPORT_MAIN_SETTINGS,
                                 REPORT_BUTTON_MAP,    REPORT_OTG_SPEED, REPORT_MACRO,
                                 REPORT_FIRMWARE_CHUNK};

const std::string kBadPair = "expected ID:count items, ID as 0x2A or decimal, or * for all";

// What one key's parser is handed.
struct KeyText {
    const std::string& key;
    const std::string& value;
    const std::string& baseDir;
};

std::string ParseFlag(const KeyText& k, bool& flag) {
    const std::string t = text::Lower(k.value);
    if (t == "1" || t == "yes" || t == "true" || t == "on") {
        flag = true;
    } else if (t == "0" || t == "no" || t == "false" || t == "off") {
        flag = false;
    } else {
        return k.key + ": expected 1 or 0";
    }
    return {};
}

// "ID:n" (or "ID" alone when defaultCount >= 0); ID may be "*" for every report.
bool ParsePair(const std::string& item, int64_t maxCount, int64_t defaultCount,
               std::vector<uint8_t>& ids, int64_t& count) {
    const auto colon = item.find(':');
    const std::string idText = item.substr(0, colon);
    if (colon == std::string::npos) {
        if (defaultCount < 0) return false;
        count = defaultCount;
    } else if (const auto n = ParseIntegerInRange(item.substr(colon + 1), 0, maxCount)) {
        count = *n;
    } else {
        return false;
    }
    ids.clear();
    if (idText == "*") {
        ids.assign(std::begin(kWriteIds), std::end(kWriteIds));
        return true;
    }
    const auto id = ParseIntegerInRange(idText, 0, 255);
    if (!id) return false;
    ids.push_back(static_cast<uint8_t>(*id));
    return true;
}

// Every "ID:count" item of the value, or an error naming the first bad one.
std::string ParsePairs(const KeyText& k, int64_t maxCount, int64_t defaultCount,
                       const std::string& expected,
                       std::vector<std::pair<uint8_t, int64_t>>& entries) {
    for (const auto& item : SplitList(k.value)) {
        std::vector<uint8_t> ids;
        int64_t count = 0;
        if (!ParsePair(item, maxCount, defaultCount, ids, count))
            return k.key + ": '" + item + "': " + expected;
        for (const uint8_t id : ids) entries.emplace_back(id, count);
    }
    return {};
}

// Numbers low..high, each item of the value; added to list only when all are good.
template <typename T>
std::string AddNumbers(const KeyText& k, int64_t low, const std::string& what,
                       std::vector<T>& list) {
    std::vector<T> numbers;
    for (const auto& item : SplitList(k.value)) {
        const auto n = ParseIntegerInRange(item, low, INT32_MAX);
        if (!n) return k.key + ": '" + item + "' is not " + what;
        numbers.push_back(static_cast<T>(*n));
    }
    list.insert(list.end(), numbers.begin(), numbers.end());
    return {};
}

std::string SetNumber(const KeyText& k, int64_t low, int64_t high, const std::string& expected,
                      int& number) {
    const auto n = ParseIntegerInRange(k.value, low, high);
    if (!n) return k.key + ": " + expected;
    number = static_cast<int>(*n);
    return {};
}

bool IsAbsolute(const std::string& path) {
    if (path.empty()) return false;
    if (path[0] == '/' || path[0] == '\\') return true;
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// A word of printable characters, such as a port or a serial.
std::string SetText(const KeyText& k, std::string& text) {
    if (k.value.empty()) return k.key + ": empty";
    for (const char c : k.value) {
        if (std::iscntrl(static_cast<unsigned char>(c))) return k.key + ": control character";
    }
    text = k.value;
    return {};
}

std::string SetPath(const KeyText& k, std::string& path) {
    if (k.value.empty()) return k.key + ": empty path";
    if (IsAbsolute(k.value) || k.baseDir.empty()) {
        path = k.value;
    } else {
        const char last = k.baseDir.back();
        path = k.baseDir + (last == '/' || last == '\\' ? "" : "/") + k.value;
    }
    return {};
}

std::string AddRefusedWrites(Scenario& s, const KeyText& k) {
    std::vector<std::pair<uint8_t, int64_t>> entries;
    std::string error = ParsePairs(k, INT32_MAX, 0, "expected ID or ID:occurrence", entries);
    if (!error.empty()) return error;
    for (const auto& [id, n] : entries) s.faults.refusedWrites.push_back({id, static_cast<int>(n)});
    return {};
}

// A value per report ID ("ID:value" items), set only when all items are good.
template <typename T>
std::string SetPerReport(const KeyText& k, int64_t maxValue, std::map<uint8_t, T>& values) {
    std::vector<std::pair<uint8_t, int64_t>> entries;
    std::string error = ParsePairs(k, maxValue, -1, kBadPair, entries);
    if (!error.empty()) return error;
    for (const auto& [id, n] : entries) values[id] = static_cast<T>(n);
    return {};
}

// The n-th call from now, after the already made so far; one beyond the
// counter's range never comes.
int FromNow(int n, int already) {
    return static_cast<int>(std::min<int64_t>(int64_t{n} + already, INT32_MAX));
}

// A fault set while the mouse runs: counts start from now.
void LiveRefusedWrites(SimMouse& mouse, const FaultPlan& now) {
    FaultPlan& plan = mouse.Faults();
    plan.refusedWrites.clear();
    for (WriteFault f : now.refusedWrites) {
        if (f.occurrence > 0) f.occurrence = FromNow(f.occurrence, mouse.SetCalls(f.reportId));
        plan.refusedWrites.push_back(f);
    }
}

void LiveFailedReads(SimMouse& mouse, const FaultPlan& now) {
    FaultPlan& plan = mouse.Faults();
    plan.failedReads.clear();
    for (const int n : now.failedReads) plan.failedReads.push_back(FromNow(n, mouse.GetCalls()));
}

void LiveUnplugAfterWrites(SimMouse& mouse, const FaultPlan& now) {
    mouse.Faults().unplugAfterWrites =
        now.unplugAfterWrites < 0 ? -1
                                  : FromNow(now.unplugAfterWrites, mouse.TotalAcceptedWrites());
}

struct ScenarioKey {
    const char* name;
    std::string (*apply)(Scenario&, const KeyText&);
    // How a control line's "set" applies the key to a running mouse; nullptr:
    // the key cannot be set while running.
    void (*applyLive)(SimMouse&, const FaultPlan& parsed);
};

// The keys of a scenario file, as driver/sim/README.md lists them.
const ScenarioKey kKeys[] = {
    {"present", [](Scenario& s, const KeyText& k) { return ParseFlag(k, s.presentAtStart); },
     nullptr},
    {"absent", [](Scenario& s, const KeyText& k) { return ParseFlag(k, s.faults.absent); },
     [](SimMouse& m, const FaultPlan& now) { m.Faults().absent = now.absent; }},
    {"plug_at_ms",
     [](Scenario& s, const KeyText& k) { return AddNumbers(k, 0, "a time in ms", s.plugAtMs); },
     nullptr},
    {"unplug_at_ms",
     [](Scenario& s, const KeyText& k) { return AddNumbers(k, 0, "a time in ms", s.unplugAtMs); },
     nullptr},
    {"refuse_write", AddRefusedWrites, LiveRefusedWrites},
    {"fail_read",
     [](Scenario& s, const KeyText& k) {
         return AddNumbers(k, 1, "a read number (1, 2, ...)", s.faults.failedReads);
     },
     LiveFailedReads},
    {"busy_polls",
     [](Scenario& s, const KeyText& k) { return SetPerReport(k, 1000000, s.faults.busyPolls); },
     [](SimMouse& m, const FaultPlan& now) { m.Faults().busyPolls = now.busyPolls; }},
    {"final_status",
     [](Scenario& s, const KeyText& k) { return SetPerReport(k, 255, s.faults.finalStatus); },
     [](SimMouse& m, const FaultPlan& now) { m.Faults().finalStatus = now.finalStatus; }},
    {"unplug_after_writes",
     [](Scenario& s, const KeyText& k) {
         return SetNumber(k, -1, INT32_MAX, "expected a count, or -1 for never",
                          s.faults.unplugAfterWrites);
     },
     LiveUnplugAfterWrites},
    {"poll_ms",
     [](Scenario& s, const KeyText& k) {
         return SetNumber(k, 1, 1000, "expected 1 to 1000", s.pollMs);
     },
     nullptr},
    {"trace_file", [](Scenario& s, const KeyText& k) { return SetPath(k, s.traceFile); }, nullptr},
    {"control_file", [](Scenario& s, const KeyText& k) { return SetPath(k, s.controlFile); },
     nullptr},
    {"state_file", [](Scenario& s, const KeyText& k) { return SetPath(k, s.stateFile); }, nullptr},
    {"port", [](Scenario& s, const KeyText& k) { return SetText(k, s.port); }, nullptr},
    {"serial", [](Scenario& s, const KeyText& k) { return SetText(k, s.serial); }, nullptr},
    {"firmware_file", [](Scenario& s, const KeyText& k) { return SetPath(k, s.firmwareFile); },
     nullptr},
};

const ScenarioKey* FindKey(const std::string& key) {
    for (const ScenarioKey& k : kKeys) {
        if (key == k.name) return &k;
    }
    return nullptr;
}

}  // namespace

std::string ApplyScenarioKey(Scenario& s, const std::string& rawKey, const std::string& value,
                             const std::string& baseDir) {
    const std::string key = text::Lower(text::Trim(rawKey));
    const ScenarioKey* entry = FindKey(key);
    if (entry == nullptr) return "unknown key '" + key + "'";
    const std::string trimmed = text::Trim(value);
    return entry->apply(s, KeyText{key, trimmed, baseDir});
}

Scenario ParseScenario(const std::string& content, const std::string& baseDir) {
    Scenario s;
    text::KeyValueReader reader(content, "#;");
    while (const auto line = reader.Next()) {
        if (line->kind == text::KeyValueLine::Section ||
            line->kind == text::KeyValueLine::UnclosedSection)
            continue;
        const std::string error = line->kind == text::KeyValueLine::Malformed
                                      ? "expected key = value"
                                      : ApplyScenarioKey(s, line->key, line->value, baseDir);
        if (!error.empty())
            s.errors.push_back("line " + std::to_string(line->number) + ": " + error);
    }
    return s;
}

std::string ApplyLiveFault(SimMouse& mouse, const std::string& rawKey, const std::string& value) {
    const std::string key = text::Lower(text::Trim(rawKey));
    const ScenarioKey* entry = FindKey(key);
    if (entry == nullptr || entry->applyLive == nullptr)
        return "'" + key + "' cannot be set while running";
    Scenario parsed;
    const std::string error = ApplyScenarioKey(parsed, key, value, {});
    if (!error.empty()) return error;
    entry->applyLive(mouse, parsed.faults);
    return {};
}

}  // namespace talun::sim
