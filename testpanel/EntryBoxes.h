// The test panel's two entry boxes: profile id and button number, and the
// rules by which their text becomes the dialog's values.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace talun {

inline constexpr int ENTRY_BOX_PROFILE_ID = 1040;
inline constexpr int ENTRY_BOX_BUTTON_NUMBER = 1041;
inline constexpr int PROFILE_ID_MIN = 0;
inline constexpr int PROFILE_ID_MAX = 4;
inline constexpr int BUTTON_NUMBER_MIN = 0;
inline constexpr int BUTTON_NUMBER_MAX = 14;
inline constexpr std::size_t ENTRY_BOX_MAX_TEXT = 31;  // characters read from a box

inline constexpr char MSG_ENTER_INTEGER[] = "Please enter an integer.";
inline constexpr char MSG_ENTER_INTEGER_BETWEEN[] = "Please enter an integer between %1 and %2.";

// The dialog's two values.
struct TestPanelValues {
    int32_t profileId = 0;
    int32_t buttonNumber = 0;
};

// The text of a box as a decimal integer: blanks and tabs around it, an optional
// sign, digits and nothing else. A text that is 0 without starting with the digit
// 0 ("-0", "+0") is refused, and so is a number beyond 32 bits.
std::optional<int32_t> ParseEntryBoxInteger(const std::string& text);

// "Please enter an integer between <low> and <high>."
std::string RangeMessage(int low, int high);

struct ExchangeFailure {
    int boxId;            // the box that failed; it gets the focus, its text selected
    std::string message;  // shown in a message box
};

// Reads box 1040, then box 1041, through readBoxText(boxId) into values. The
// first box that fails ends the exchange: boxes after it are not read. A value
// that parsed but is out of range stays in its field.
std::optional<ExchangeFailure> SaveEntryBoxes(TestPanelValues& values,
                                              const std::function<std::string(int)>& readBoxText);

}  // namespace talun
