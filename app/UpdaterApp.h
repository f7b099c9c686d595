// The application: one copy per logon (the instance guard), the main window run
// as a modal dialog, and the guard released at the end.
#pragma once

#include "app/framework/WinApp.h"
#include "app/framework/WinHandles.h"
#include "platform/InstanceGuard.h"

namespace talun {

class UpdaterApp final : public ui::WinApp {
  public:
    explicit UpdaterApp(HINSTANCE instance) : WinApp(instance) {}

  protected:
    bool InitInstance() override;
    int ExitInstance() override;

  private:
    // Open for as long as this copy runs; never owned.
    UniqueHandle instanceGuard_;
};

}  // namespace talun
