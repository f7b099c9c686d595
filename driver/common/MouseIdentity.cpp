#include "driver/common/MouseIdentity.h"

#include <cctype>
#include <fstream>
#include <iterator>

namespace talun::hiddriver {
namespace {

// The longest serial kept: a USB string descriptor holds at most 126 characters.
constexpr std::size_t MAX_SERIAL_CHARS = 126;

std::string Clean(const std::string& value) {
    std::string clean = value;
    for (char& c : clean) {
        if (std::iscntrl(static_cast<unsigned char>(c))) c = '?';
    }
    return clean;
}

void AddLine(std::string& text, const char* key, const std::string& value) {
    if (!value.empty()) text += std::string(key) + "=" + Clean(value) + "\n";
}

// "1-2", "1-1.4", "3-2.1.7": a bus number, a dash, then port numbers joined by dots.
bool IsUsbPortChain(const std::string& name) {
    const auto dash = name.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == name.size()) return false;
    bool digitBefore = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digitBefore = true;
        } else if ((c == '.' && i > dash) || i == dash) {
            if (!digitBefore) return false;
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

std::string TrimmedLine(std::string text) {
    const auto end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.erase(end);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (text.size() > MAX_SERIAL_CHARS) text.resize(MAX_SERIAL_CHARS);
    return text;
}

}  // namespace

std::string FormatMouseIdentity(const MouseIdentity& identity) {
    std::string text;
    AddLine(text, "port", identity.port);
    AddLine(text, "serial", identity.serial);
    AddLine(text, "path", identity.path);
    return text;
}

MouseIdentity LinuxUsbIdentity(const std::string& usbDeviceSysPath) {
    MouseIdentity identity;
    identity.path = usbDeviceSysPath;
    const auto slash = usbDeviceSysPath.find_last_of('/');
    const std::string name =
        slash == std::string::npos ? usbDeviceSysPath : usbDeviceSysPath.substr(slash + 1);
    if (!IsUsbPortChain(name)) return identity;
    identity.port = name;
    std::ifstream serial(usbDeviceSysPath + "/serial", std::ios::binary);
    if (serial) {
        identity.serial = TrimmedLine(
            std::string(std::istreambuf_iterator<char>(serial), std::istreambuf_iterator<char>()));
    }
    return identity;
}

}  // namespace talun::hiddriver
