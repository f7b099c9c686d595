#include "app/framework/DataExchange.h"

#include <vector>

namespace talun::ui {

std::string DataExchange::Text(int controlId, std::size_t maxChars) const {
    std::vector<char> buffer(maxChars + 1, '\0');
    const UINT length =
        ::GetDlgItemTextA(dialog_, controlId, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), length);
}

void DataExchange::SetText(int controlId, const std::string& text) const {
    ::SetDlgItemTextA(dialog_, controlId, text.c_str());
}

void DataExchange::Fail(int controlId, const std::string& message) {
    failed_ = true;
    ::MessageBoxA(dialog_, message.c_str(), caption_.c_str(), MB_ICONEXCLAMATION | MB_OK);
    const HWND control = ::GetDlgItem(dialog_, controlId);
    if (control == nullptr) return;
    ::SetFocus(control);
    ::SendMessageA(control, EM_SETSEL, 0, -1);
}

}  // namespace talun::ui
