// TalunR5Update.exe: the Talun R5 firmware update tool's window.
#include <windows.h>

#include "app/DllSearchPath.h"
#include "app/UpdaterApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    // Before anything loads a library: the current directory is never searched.
    talun::RestrictDllSearchPath();
    talun::UpdaterApp app(instance);
    return app.Run();
}
