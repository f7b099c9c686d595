// The wait cursor over one window while work is under way.
//
// Begin() and End() nest; the hourglass shows while at least one Begin() is
// open and the mouse pointer is over the window or one of its controls. The
// window hands its WM_SETCURSOR messages to OnSetCursor().
#pragma once

#include <windows.h>

namespace talun::ui {

class WaitCursor {
  public:
    explicit WaitCursor(HWND window = nullptr) : window_(window) {}
    void Attach(HWND window) { window_ = window; }

    void Begin();
    void End();
    bool Active() const { return depth_ > 0; }

    // True when it set the cursor (the message is then handled).
    bool OnSetCursor() const;

  private:
    // Lets the window under the pointer choose its cursor again now, not only at
    // the next mouse move.
    void Refresh() const;

    HWND window_;
    int depth_ = 0;
};

}  // namespace talun::ui
