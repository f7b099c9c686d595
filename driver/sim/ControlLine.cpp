#include "driver/sim/ControlLine.h"

#include <sstream>
#include <vector>

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

ControlCommand ParsePlugMessage(const std::string& rest) {
    const auto w = ParseIntegerInRange(rest, 0, 0xFFFFFFFF);
    if (!w) return Invalid("plug-message: expected wParam");
    return Command(ControlCommand::PlugMessage, static_cast<uint64_t>(*w));
}

ControlCommand ParseSet(const std::string& rest) {
    const auto pair = text::SplitKeyValue(rest);
    if (!pair) return Invalid("set: expected key=value");
    ControlCommand c = Command(ControlCommand::SetFault);
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
        if (!rest.empty()) return Invalid(verb + " takes nothing after it");
        return Command(verb == "plug" ? ControlCommand::Plug : ControlCommand::Unplug);
    }
    if (verb == "button") return ParseButton(rest);
    if (verb == "input") return ParseInput(rest);
    if (verb == "plug-message") return ParsePlugMessage(rest);
    if (verb == "set") return ParseSet(rest);
    return Invalid("unknown command '" + verb + "'");
}

}  // namespace talun::sim
