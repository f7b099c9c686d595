#include "app/UpdaterApp.h"

#include <commctrl.h>

#include "app/UpdaterDialog.h"

namespace talun {

bool UpdaterApp::InitInstance() {
    // 1. The guard: created, never acquired.
    instanceGuard_.Reset(::CreateMutexA(nullptr, FALSE, INSTANCE_GUARD_NAME));
    // 2. Another copy runs: end at once, silently, with nothing to release. (A
    //    creation that failed for another reason leaves no handle: run unguarded.)
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        instanceGuard_.Reset();
        return true;  // no main window: exit status 0
    }
    // 3. The dialogs hold no ActiveX controls and have the three-dimensional look
    //    by default; only the common controls are registered for the manifest's
    //    visual styles.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // 4. The main window, modally; its result does not matter.
    {
        UpdaterDialog dialog(*this);
        dialog.DoModal();
    }
    return false;
}

int UpdaterApp::ExitInstance() {
    if (instanceGuard_) {
        ::ReleaseMutex(instanceGuard_.Get());  // not owned: no effect
        instanceGuard_.Reset();
    }
    return WinApp::ExitInstance();
}

}  // namespace talun
