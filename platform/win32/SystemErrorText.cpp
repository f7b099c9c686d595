#include "platform/win32/SystemErrorText.h"

#include <windows.h>

namespace talun {
namespace {

std::string FormatSystemText(unsigned long code) {
    char text[512] = {};
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, code, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        --length;
    }
    return std::string(text, length);
}

}  // namespace

std::string SystemErrorMessage(unsigned long code) {
    const std::string text = FormatSystemText(code);
    return text.empty() ? "no description" : text;
}

std::string SystemErrorText(unsigned long code) {
    const std::string text = FormatSystemText(code);
    return (text.empty() ? "system error" : text) + " (error " + std::to_string(code) + ")";
}

}  // namespace talun
