#include "testpanel/EntryBoxes.h"

namespace talun {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

struct BoxRule {
    int boxId;
    int32_t TestPanelValues::*field;
    int low;
    int high;
};

const BoxRule kBoxRules[] = {
    {ENTRY_BOX_PROFILE_ID, &TestPanelValues::profileId, PROFILE_ID_MIN, PROFILE_ID_MAX},
    {ENTRY_BOX_BUTTON_NUMBER, &TestPanelValues::buttonNumber, BUTTON_NUMBER_MIN, BUTTON_NUMBER_MAX},
};

}  // namespace

std::optional<int32_t> ParseEntryBoxInteger(const std::string& fullText) {
    const std::string text = fullText.substr(0, ENTRY_BOX_MAX_TEXT);
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t firstNonBlank = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (digits == 0 || i != text.size()) return std::nullopt;
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    if (value == 0 && text[firstNonBlank] != '0') return std::nullopt;
    return static_cast<int32_t>(value);
}

std::string RangeMessage(int low, int high) {
    std::string message = MSG_ENTER_INTEGER_BETWEEN;
    message.replace(message.find("%1"), 2, std::to_string(low));
    message.replace(message.find("%2"), 2, std::to_string(high));
    return message;
}

std::optional<ExchangeFailure> SaveEntryBoxes(TestPanelValues& values,
                                              const std::function<std::string(int)>& readBoxText) {
    for (const BoxRule& rule : kBoxRules) {
        const std::optional<int32_t> parsed = ParseEntryBoxInteger(readBoxText(rule.boxId));
        if (!parsed) return ExchangeFailure{rule.boxId, MSG_ENTER_INTEGER};
        values.*rule.field = *parsed;
        if (*parsed < rule.low || *parsed > rule.high) {
            return ExchangeFailure{rule.boxId, RangeMessage(rule.low, rule.high)};
        }
    }
    return std::nullopt;
}

}  // namespace talun
