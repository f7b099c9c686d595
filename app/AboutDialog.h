// The About box (template 100): icon, name and version, "OK". Opened from the
// main window's system menu; it has no effect on anything.
#pragma once

#include "app/framework/Dialog.h"

namespace talun {

class AboutDialog final : public ui::Dialog {
  public:
    AboutDialog(ui::WinApp& app, HWND owner);
};

}  // namespace talun
