#include "app/framework/WaitCursor.h"

namespace talun::ui {

void WaitCursor::Begin() {
    if (depth_++ == 0) Refresh();
}

void WaitCursor::End() {
    if (depth_ == 0) return;
    if (--depth_ == 0) Refresh();
}

bool WaitCursor::OnSetCursor() const {
    if (!Active()) return false;
    ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    return true;
}

void WaitCursor::Refresh() const {
    if (window_ == nullptr) return;
    POINT pointer{};
    if (!::GetCursorPos(&pointer)) return;
    const HWND under = ::WindowFromPoint(pointer);
    if (under == nullptr || ::GetAncestor(under, GA_ROOT) != window_) return;
    const LRESULT hit = ::SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(pointer.x, pointer.y));
    ::SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                   MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

}  // namespace talun::ui
