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
    InitInstance();
    return ExitInstance();
}

int WinApp::ExitInstance() {
    return 0;
}

}  // namespace talun::ui
