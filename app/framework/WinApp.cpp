#include "app/framework/WinApp.h"

#include "platform/ProgramDirectory.h"

namespace talun::ui {
namespace {

// "C:\dir\TalunR5Update.exe" -> "TalunR5Update".
std::string BaseNameWithoutExtension(const std::string& path) {
    const std::string directory = ProgramDirectoryFromPath(path);
    std::string name = path.substr(directory.size() <= path.size() ? directory.size() : 0);
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

}  // namespace

WinApp::WinApp(HINSTANCE instance)
    : instance_(instance), title_(BaseNameWithoutExtension(CurrentProgramPath())) {}

int WinApp::Run() {
    if (InitInstance()) {
        // The loop of a program whose start-up left a main window behind. With
        // none there is nothing to wait for: the loop ends at once, status 0.
        MSG msg{};
        while (mainWindow_ != nullptr && ::IsWindow(mainWindow_)) {
            const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                quitCode_ = static_cast<int>(msg.wParam);
                break;
            }
            if (got == -1) break;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return ExitInstance();
}

int WinApp::ExitInstance() {
    return quitCode_;
}

}  // namespace talun::ui
