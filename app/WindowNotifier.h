// Hears the device work's hooks on the worker thread and posts them to the
// window, which acts on them on its own thread.
#pragma once

#include <windows.h>

#include "update/ToolState.h"

namespace talun {

class WindowNotifier final : public UpdateObserver {
  public:
    // Set before the worker starts; the window outlives the worker.
    void Attach(HWND window) { window_ = window; }

    void OnStatusChanged(UpdateStatus status) override;
    void OnRefreshStatusArea() override;
    void OnRepaintWindow() override;
    // The wait cursor follows the worker's jobs as a whole (see UpdaterDialog),
    // so the run's own wait-cursor hooks need nothing more.

  private:
    HWND window_ = nullptr;
};

}  // namespace talun
