#include "app/AboutDialog.h"

#include "resources/resource.h"

namespace talun {

AboutDialog::AboutDialog(ui::WinApp& app, HWND owner) : Dialog(app, IDD_ABOUTBOX, owner) {}

}  // namespace talun
