#include "app/framework/Dialog.h"

namespace talun::ui {
namespace {

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
        case WM_INITDIALOG:
            return true;
        default:
            return false;
    }
}

}  // namespace

Dialog::Dialog(WinApp& app, int templateId, HWND owner)
    : app_(app), templateId_(templateId), owner_(owner) {}

Dialog::~Dialog() {
    if (window_ != nullptr) ::DestroyWindow(window_);
}

INT_PTR Dialog::DoModal() {
    const bool disableOwner = owner_ != nullptr && ::IsWindowEnabled(owner_);
    if (disableOwner) ::EnableWindow(owner_, FALSE);
    running_ = true;
    result_ = IDCANCEL;
    ::CreateDialogParamA(app_.Instance(), MAKEINTRESOURCEA(templateId_), owner_, DialogProc,
                         reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr) {
        if (disableOwner) ::EnableWindow(owner_, TRUE);
        return -1;
    }

    // A modal dialog shows whether or not its template says so.
    if (running_ && !::IsWindowVisible(window_)) ::ShowWindow(window_, SW_SHOWNORMAL);

    MSG msg{};
    while (running_ && window_ != nullptr) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
            break;
        }
        if (got == -1) break;
        if (!PreTranslateMessage(msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }

    if (window_ != nullptr) {
        ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (disableOwner) {
        ::EnableWindow(owner_, TRUE);
        ::SetActiveWindow(owner_);
    }
    if (window_ != nullptr) ::DestroyWindow(window_);
    return result_;
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    running_ = false;
    if (window_ != nullptr) ::PostMessageA(window_, WM_NULL, 0, 0);  // wakes the loop
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange exchange(window_, app_.Title(), saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::DoDataExchange(DataExchange& /*exchange*/) {}

bool Dialog::PreTranslateMessage(MSG& msg) {
    if (window_ == nullptr) return false;
    return ::IsDialogMessageA(window_, &msg) != FALSE;
}

bool Dialog::OnCommand(int /*id*/, int /*notifyCode*/, HWND /*control*/) {
    return false;
}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

std::optional<LRESULT> Dialog::OnMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return std::nullopt;
}

void Dialog::CenterWindow() {
    RECT window{};
    ::GetWindowRect(window_, &window);
    RECT area{};
    if (owner_ != nullptr && ::IsWindowVisible(owner_) && !::IsIconic(owner_)) {
        ::GetWindowRect(owner_, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!::GetMonitorInfoA(::MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor))
            return;
        area = monitor.rcWork;
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const int left = area.left + ((area.right - area.left) - width) / 2;
    const int top = area.top + ((area.bottom - area.top) - height) / 2;
    ::SetWindowPos(window_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->window_ = window;
        ::SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    }
    if (self == nullptr) return FALSE;  // before WM_INITDIALOG or after WM_NCDESTROY
    return self->HandleMessage(message, wParam, lParam);
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            // As the dialog framework does: a dialog that its initialisation did
            // not place is centred over its owner (or on its screen).
            RECT before{};
            ::GetWindowRect(window_, &before);
            const bool systemFocus = OnInitDialog();
            RECT after{};
            if (window_ != nullptr && ::GetWindowRect(window_, &after) &&
                after.left == before.left && after.top == before.top)
                CenterWindow();
            return systemFocus ? TRUE : FALSE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (OnCommand(id, code, reinterpret_cast<HWND>(lParam))) return TRUE;
            if (id == IDOK && code == BN_CLICKED) {
                OnOK();
                return TRUE;
            }
            if (id == IDCANCEL && code == BN_CLICKED) {
                OnCancel();
                return TRUE;
            }
            return FALSE;
        }
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        case WM_NCDESTROY:
            ::SetWindowLongPtrA(window_, DWLP_USER, 0);
            window_ = nullptr;
            running_ = false;
            return FALSE;
        default:
            break;
    }
    const std::optional<LRESULT> result = OnMessage(message, wParam, lParam);
    if (!result) return FALSE;
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(*result);
    ::SetWindowLongPtrA(window_, DWLP_MSGRESULT, *result);
    return TRUE;
}

}  // namespace talun::ui
