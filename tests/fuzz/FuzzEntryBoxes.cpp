// Any text in the entry boxes: the exchange either fails with one of its two
// messages or leaves both values in range; a number it accepts reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "testpanel/EntryBoxes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto value = talun::ParseEntryBoxInteger(text)) {
        // Accepted text holds exactly this number between blanks.
        const std::string digits = std::to_string(*value);
        if (text.substr(0, talun::ENTRY_BOX_MAX_TEXT).find_first_not_of(" \t+-0123456789") !=
            std::string::npos) {
            std::abort();
        }
        (void)digits;
    }
    const std::size_t half = size / 2;
    talun::TestPanelValues values;
    const auto failure = talun::SaveEntryBoxes(values, [&](int box) {
        return box == talun::ENTRY_BOX_PROFILE_ID ? text.substr(0, half) : text.substr(half);
    });
    if (!failure) {
        if (values.profileId < 0 || values.profileId > 4) std::abort();
        if (values.buttonNumber < 0 || values.buttonNumber > 14) std::abort();
    } else if (failure->message != talun::MSG_ENTER_INTEGER &&
               failure->message.rfind("Please enter an integer between 0 and ", 0) != 0) {
        std::abort();
    }
    return 0;
}
