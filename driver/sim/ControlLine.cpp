#include "driver/sim/ControlLine.h"

#include <optional>
#include <sstream>
#include <vector>

#include "driver/sim/Scenario.h"
#include "platform/KeyValueText.h"

namespace talun::sim {
namespace {

using text::ParseIntegerInRange;

// The wParam of a button's input message.
constexpr uint64_t kButtonEventClass = 0xE000;

ControlCommand Command(ControlCommand::Kind kind, uint64_t wParam = 0, int64_t lParam = 0) {
    ControlCommand c;
    c.kind = kind;
    c.wParam = wParam;
    c.lParam = lParam;
    return c;
}

ControlCommand Invalid(const std::string& error) {
    ControlCommand c = Command(ControlCommand::Invalid);
    c.error = error;
    return c;
}

ControlCommand ParseButton(const std::string& rest) {
    const auto n = ParseIntegerInRange(rest, 0, 0xFFFF);
    if (!n) return Invalid("button: expected a number 0 to 65535");
    return Command(ControlCommand::Button, kButtonEventClass, *n);
}

ControlCommand ParseInput(const std::string& rest) {
    const std::vector<std::string> items = text::SplitList(rest);
    if (items.size() != 2) return Invalid("input: expected wParam and lParam");
    const auto w = ParseIntegerInRange(items[0], 0, 0xFFFFFFFF);
    const auto l = ParseIntegerInRange(items[1], -0x80000000LL, 0xFFFFFFFF);
    if (!w || !l) return Invalid("input: expected wParam and lParam");
    return Command(ControlCommand::Input, static_cast<uint64_t>(*w), *l);
}

// A slot number, 0 when the text is empty.
std::optional<int> ParseSlot(const std::string& text) {
    if (text.empty()) return 0;
    const auto n = ParseIntegerInRange(text, 0, SIM_MAX_SLOT);
    if (!n) return std::nullopt;
    return static_cast<int>(*n);
}

ControlCommand ParsePlugMessage(const std::string& rest) {
    const std::vector<std::string> items = text::SplitList(rest);
    const auto w = items.empty() ? std::nullopt : ParseIntegerInRange(items[0], 0, 0xFFFFFFFF);
    const auto slot = ParseSlot(items.size() == 2 ? items[1] : "");
    if (!w || !slot || items.size() > 2) return Invalid("plug-message: expected wParam [slot]");
    ControlCommand c = Command(ControlCommand::PlugMessage, static_cast<uint64_t>(*w));
    c.slot = *slot;
    return c;
}

ControlCommand ParseSet(std::string rest) {
    // "set 2 key=value": a first word of digits alone is the slot (a key never is).
    std::optional<int> slot = 0;
    const auto blank = rest.find_first_of(" \t");
    if (blank != std::string::npos && rest.find_first_not_of("0123456789") == blank) {
        slot = ParseSlot(rest.substr(0, blank));
        rest = text::Trim(rest.substr(blank));
    }
    const auto pair = text::SplitKeyValue(rest);
    if (!pair || !slot) return Invalid("set: expected [slot] key=value");
    ControlCommand c = Command(ControlCommand::SetFault);
    c.slot = *slot;
    c.key = pair->key;
    c.value = pair->value;
    return c;
}

}  // namespace

ControlCommand ParseControlLine(const std::string& line) {
    const std::string t = text::Trim(line);
    if (t.empty() || t[0] == '#') return {};
    std::istringstream words(t);
    std::string verb;
    words >> verb;
    verb = text::Lower(verb);
    std::string rest;
    std::getline(words, rest);
    rest = text::Trim(rest);
    if (verb == "plug" || verb == "unplug") {
        const auto slot = ParseSlot(rest);
        if (!slot) return Invalid(verb + ": expected a slot number or nothing");
        ControlCommand c = Command(verb == "plug" ? ControlCommand::Plug : ControlCommand::Unplug);
        c.slot = *slot;
        return c;
    }
    if (verb == "button") return ParseButton(rest);
    if (verb == "input") return ParseInput(rest);
    if (verb == "plug-message") return ParsePlugMessage(rest);
    if (verb == "set") return ParseSet(rest);
    return Invalid("unknown command '" + verb + "'");
}

}  // namespace talun::sim
