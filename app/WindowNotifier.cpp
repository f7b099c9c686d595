#include "app/WindowNotifier.h"

#include "app/AppMessages.h"

namespace talun {

void WindowNotifier::OnStatusChanged(UpdateStatus status) {
    ::PostMessageA(window_, WM_APP_STATUS_CHANGED, static_cast<WPARAM>(status), 0);
}

void WindowNotifier::OnRefreshStatusArea() {
    ::PostMessageA(window_, WM_APP_REFRESH_STATUS_AREA, 0, 0);
}

void WindowNotifier::OnRepaintWindow() {
    ::PostMessageA(window_, WM_APP_REPAINT_WINDOW, 0, 0);
}

}  // namespace talun
