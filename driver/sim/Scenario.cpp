#include "driver/sim/Scenario.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace talun::sim {

namespace {

// Every report ID the mouse accepts a write of: what "*" stands for.
constexpr uint8_t kWriteIds[] = {0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x2A};

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Items separated by commas and/or blanks.
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

bool ParseBool(const std::string& text, bool& value) {
    const std::string t = Lower(text);
    if (t == "1" || t == "yes" || t == "true" || t == "on") {
        value = true;
        return true;
    }
    if (t == "0" || t == "no" || t == "false" || t == "off") {
        value = false;
        return true;
    }
    return false;
}

bool ParseInRange(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    return ParseNumber(text, value) && value >= low && value <= high;
}

// "ID:n" (or "ID" alone when defaultCount >= 0); ID may be "*" for every report.
bool ParsePair(const std::string& item, int64_t maxCount, int64_t defaultCount,
               std::vector<uint8_t>& ids, int64_t& count) {
    const auto colon = item.find(':');
    const std::string idText = item.substr(0, colon);
    if (colon == std::string::npos) {
        if (defaultCount < 0) return false;
        count = defaultCount;
    } else if (!ParseInRange(item.substr(colon + 1), 0, maxCount, count)) {
        return false;
    }
    ids.clear();
    if (idText == "*") {
        ids.assign(std::begin(kWriteIds), std::end(kWriteIds));
        return true;
    }
    int64_t id = 0;
    if (!ParseInRange(idText, 0, 255, id)) return false;
    ids.push_back(static_cast<uint8_t>(id));
    return true;
}

bool IsAbsolute(const std::string& path) {
    if (path.empty()) return false;
    if (path[0] == '/' || path[0] == '\\') return true;
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string Resolve(const std::string& path, const std::string& baseDir) {
    if (IsAbsolute(path) || baseDir.empty()) return path;
    const char last = baseDir.back();
    return baseDir + (last == '/' || last == '\\' ? "" : "/") + path;
}

// The n-th call from now, after the already made so far; one beyond the
// counter's range never comes.
int FromNow(int n, int already) {
    return static_cast<int>(std::min<int64_t>(int64_t{n} + already, INT32_MAX));
}

const std::string kBadPair = "expected ID:count items, ID as 0x2A or decimal, or * for all";

}  // namespace

bool ParseNumber(const std::string& text, int64_t& value) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    bool negative = false;
    if (t[0] == '-' || t[0] == '+') {
        negative = t[0] == '-';
        t.erase(0, 1);
    }
    int base = 10;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.erase(0, 2);
    }
    if (t.empty() || t.size() > 15) return false;
    int64_t v = 0;
    for (const char c : t) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        v = v * base + digit;
    }
    value = negative ? -v : v;
    return true;
}

std::string ApplyScenarioKey(Scenario& s, const std::string& rawKey, const std::string& value,
                             const std::string& baseDir) {
    const std::string key = Lower(Trim(rawKey));
    const std::string v = Trim(value);
    if (key == "present" || key == "absent") {
        bool b = false;
        if (!ParseBool(v, b)) return key + ": expected 1 or 0";
        if (key == "present")
            s.presentAtStart = b;
        else
            s.faults.absent = b;
        return {};
    }
    if (key == "plug_at_ms" || key == "unplug_at_ms") {
        std::vector<uint64_t> times;
        for (const auto& item : SplitList(v)) {
            int64_t t = 0;
            if (!ParseInRange(item, 0, INT32_MAX, t))
                return key + ": '" + item + "' is not a time in ms";
            times.push_back(static_cast<uint64_t>(t));
        }
        auto& list = key == "plug_at_ms" ? s.plugAtMs : s.unplugAtMs;
        list.insert(list.end(), times.begin(), times.end());
        return {};
    }
    if (key == "refuse_write") {
        std::vector<WriteFault> faults;
        for (const auto& item : SplitList(v)) {
            std::vector<uint8_t> ids;
            int64_t occurrence = 0;
            if (!ParsePair(item, INT32_MAX, 0, ids, occurrence))
                return key + ": '" + item + "': expected ID or ID:occurrence";
            for (const uint8_t id : ids) faults.push_back({id, static_cast<int>(occurrence)});
        }
        s.faults.refusedWrites.insert(s.faults.refusedWrites.end(), faults.begin(), faults.end());
        return {};
    }
    if (key == "fail_read") {
        std::vector<int> reads;
        for (const auto& item : SplitList(v)) {
            int64_t n = 0;
            if (!ParseInRange(item, 1, INT32_MAX, n))
                return key + ": '" + item + "' is not a read number (1, 2, ...)";
            reads.push_back(static_cast<int>(n));
        }
        s.faults.failedReads.insert(s.faults.failedReads.end(), reads.begin(), reads.end());
        return {};
    }
    if (key == "busy_polls" || key == "final_status") {
        const bool busy = key == "busy_polls";
        std::vector<std::pair<uint8_t, int64_t>> entries;
        for (const auto& item : SplitList(v)) {
            std::vector<uint8_t> ids;
            int64_t count = 0;
            if (!ParsePair(item, busy ? 1000000 : 255, -1, ids, count))
                return key + ": '" + item + "': " + kBadPair;
            for (const uint8_t id : ids) entries.emplace_back(id, count);
        }
        for (const auto& [id, count] : entries) {
            if (busy)
                s.faults.busyPolls[id] = static_cast<int>(count);
            else
                s.faults.finalStatus[id] = static_cast<uint8_t>(count);
        }
        return {};
    }
    if (key == "unplug_after_writes") {
        int64_t n = 0;
        if (!ParseInRange(v, -1, INT32_MAX, n)) return key + ": expected a count, or -1 for never";
        s.faults.unplugAfterWrites = static_cast<int>(n);
        return {};
    }
    if (key == "poll_ms") {
        int64_t n = 0;
        if (!ParseInRange(v, 1, 1000, n)) return key + ": expected 1 to 1000";
        s.pollMs = static_cast<int>(n);
        return {};
    }
    if (key == "trace_file" || key == "control_file" || key == "state_file" ||
        key == "firmware_file") {
        if (v.empty()) return key + ": empty path";
        const std::string path = Resolve(v, baseDir);
        if (key == "trace_file")
            s.traceFile = path;
        else if (key == "control_file")
            s.controlFile = path;
        else if (key == "state_file")
            s.stateFile = path;
        else
            s.firmwareFile = path;
        return {};
    }
    return "unknown key '" + key + "'";
}

Scenario ParseScenario(const std::string& text, const std::string& baseDir) {
    Scenario s;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#' || t[0] == ';' || t[0] == '[') continue;
        const auto eq = t.find('=');
        std::string error;
        if (eq == std::string::npos)
            error = "expected key = value";
        else
            error = ApplyScenarioKey(s, t.substr(0, eq), t.substr(eq + 1), baseDir);
        if (!error.empty()) s.errors.push_back("line " + std::to_string(number) + ": " + error);
    }
    return s;
}

std::string ApplyLiveFault(SimMouse& mouse, const std::string& rawKey, const std::string& value) {
    const std::string key = Lower(Trim(rawKey));
    if (key != "absent" && key != "refuse_write" && key != "fail_read" && key != "busy_polls" &&
        key != "final_status" && key != "unplug_after_writes")
        return "'" + key + "' cannot be set while running";
    Scenario parsed;
    const std::string error = ApplyScenarioKey(parsed, key, value, {});
    if (!error.empty()) return error;
    FaultPlan& plan = mouse.Faults();
    const FaultPlan& now = parsed.faults;
    if (key == "absent") {
        plan.absent = now.absent;
    } else if (key == "refuse_write") {
        plan.refusedWrites.clear();
        for (WriteFault f : now.refusedWrites) {
            if (f.occurrence > 0) f.occurrence = FromNow(f.occurrence, mouse.SetCalls(f.reportId));
            plan.refusedWrites.push_back(f);
        }
    } else if (key == "fail_read") {
        plan.failedReads.clear();
        for (const int n : now.failedReads)
            plan.failedReads.push_back(FromNow(n, mouse.GetCalls()));
    } else if (key == "busy_polls") {
        plan.busyPolls = now.busyPolls;
    } else if (key == "final_status") {
        plan.finalStatus = now.finalStatus;
    } else {
        plan.unplugAfterWrites = now.unplugAfterWrites < 0
                                     ? -1
                                     : FromNow(now.unplugAfterWrites, mouse.TotalAcceptedWrites());
    }
    return {};
}

ControlCommand ParseControlLine(const std::string& line) {
    ControlCommand c;
    const std::string t = Trim(line);
    if (t.empty() || t[0] == '#') return c;
    std::istringstream words(t);
    std::string verb;
    words >> verb;
    verb = Lower(verb);
    std::string rest;
    std::getline(words, rest);
    rest = Trim(rest);
    const auto invalid = [&c](const std::string& error) {
        c.kind = ControlCommand::Invalid;
        c.error = error;
        return c;
    };
    if (verb == "plug" || verb == "unplug") {
        if (!rest.empty()) return invalid(verb + " takes nothing after it");
        c.kind = verb == "plug" ? ControlCommand::Plug : ControlCommand::Unplug;
        return c;
    }
    if (verb == "button") {
        int64_t n = 0;
        if (!ParseInRange(rest, 0, 0xFFFF, n))
            return invalid("button: expected a number 0 to 65535");
        c.kind = ControlCommand::Button;
        c.wParam = 0xE000;
        c.lParam = n;
        return c;
    }
    if (verb == "input") {
        const auto items = SplitList(rest);
        int64_t w = 0, l = 0;
        if (items.size() != 2 || !ParseInRange(items[0], 0, 0xFFFFFFFF, w) ||
            !ParseInRange(items[1], -0x80000000LL, 0xFFFFFFFF, l))
            return invalid("input: expected wParam and lParam");
        c.kind = ControlCommand::Input;
        c.wParam = static_cast<uint64_t>(w);
        c.lParam = l;
        return c;
    }
    if (verb == "plug-message") {
        int64_t w = 0;
        if (!ParseInRange(rest, 0, 0xFFFFFFFF, w)) return invalid("plug-message: expected wParam");
        c.kind = ControlCommand::PlugMessage;
        c.wParam = static_cast<uint64_t>(w);
        return c;
    }
    if (verb == "set") {
        const auto eq = rest.find('=');
        if (eq == std::string::npos) return invalid("set: expected key=value");
        c.kind = ControlCommand::SetFault;
        c.key = Trim(rest.substr(0, eq));
        c.value = Trim(rest.substr(eq + 1));
        return c;
    }
    return invalid("unknown command '" + verb + "'");
}

}  // namespace talun::sim
