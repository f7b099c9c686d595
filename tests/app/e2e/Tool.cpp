#include "tests/app/e2e/Tool.h"

#include <gtest/gtest.h>

#include "tests/app/e2e/Desktop.h"

namespace talun::e2e {
namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

// The undocumented layer under CreateProcess, which Wine's CreateProcess does
// not reach with a program path longer than MAX_PATH.
struct UserProcessInformation {
    ULONG Size;
    HANDLE Process;
    HANDLE Thread;
    struct {
        HANDLE UniqueProcess;
        HANDLE UniqueThread;
    } ClientId;
    BYTE ImageInformation[64];
};
struct CountedString {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
};
using RtlCreateProcessParametersFn = LONG(NTAPI*)(void** parameters, CountedString* image,
                                                  CountedString* dllPath,
                                                  CountedString* currentDirectory,
                                                  CountedString* commandLine, void* environment,
                                                  CountedString* title, CountedString* desktop,
                                                  CountedString* shell, CountedString* runtime);
using RtlDestroyProcessParametersFn = LONG(NTAPI*)(void* parameters);
using RtlCreateUserProcessFn = LONG(NTAPI*)(CountedString* ntPath, ULONG attributes,
                                            void* parameters, void* processSecurity,
                                            void* threadSecurity, HANDLE parent, BOOLEAN inherit,
                                            HANDLE debugPort, HANDLE token,
                                            UserProcessInformation* info);
constexpr ULONG OBJECT_CASE_INSENSITIVE = 0x40;

CountedString Counted(std::wstring& text) {
    const auto bytes = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return CountedString{bytes, bytes, text.data()};
}

template <typename F>
F NtdllFunction(const char* name) {
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), name)));
}

// Starts a program whose path is too long for CreateProcess; its process
// information, or false.
bool StartLongPath(std::wstring program, std::wstring commandLine, std::wstring directory,
                   PROCESS_INFORMATION& out) {
    const auto createParameters =
        NtdllFunction<RtlCreateProcessParametersFn>("RtlCreateProcessParameters");
    const auto destroyParameters =
        NtdllFunction<RtlDestroyProcessParametersFn>("RtlDestroyProcessParameters");
    const auto createProcess = NtdllFunction<RtlCreateUserProcessFn>("RtlCreateUserProcess");
    if (!createParameters || !destroyParameters || !createProcess) return false;
    std::wstring desktop = OwnDesktopName();
    std::wstring ntPath = L"\\??\\" + program;
    CountedString image = Counted(program);
    CountedString command = Counted(commandLine);
    CountedString current = Counted(directory);
    CountedString desktopName = Counted(desktop);
    CountedString path = Counted(ntPath);
    void* parameters = nullptr;
    if (createParameters(&parameters, &image, nullptr, directory.empty() ? nullptr : &current,
                         &command, nullptr, &image, &desktopName, nullptr, nullptr) < 0)
        return false;
    UserProcessInformation info{};
    info.Size = sizeof info;
    const LONG status = createProcess(&path, OBJECT_CASE_INSENSITIVE, parameters, nullptr, nullptr,
                                      nullptr, FALSE, nullptr, nullptr, &info);
    destroyParameters(parameters);
    if (status < 0) return false;
    ::ResumeThread(info.Thread);
    out.hProcess = info.Process;
    out.hThread = info.Thread;
    out.dwProcessId = static_cast<DWORD>(reinterpret_cast<uintptr_t>(info.ClientId.UniqueProcess));
    return true;
}

struct Search {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid) search->found.push_back(window);
    return TRUE;
}

}  // namespace

ToolProcess::ToolProcess(const std::string& program, const std::string& currentDirectory) {
    // The simulated mouse reads the scenario beside it, whatever the test's
    // environment says.
    ::SetEnvironmentVariableA("TALUN_SIM_SCENARIO", nullptr);
    // Wide calls: the program's path may be longer than MAX_PATH.
    std::wstring commandLine = L"\"" + Wide(program) + L"\"";
    const std::wstring directory = Wide(currentDirectory);
    std::wstring desktop = OwnDesktopName();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop.empty() ? nullptr : desktop.data();
    PROCESS_INFORMATION info{};
    const bool started =
        program.size() < MAX_PATH
            ? ::CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                               0, nullptr, directory.empty() ? nullptr : directory.c_str(),
                               &startup, &info) != FALSE
            : StartLongPath(Wide(program), commandLine, directory, info);
    if (!started) {
        ADD_FAILURE() << "cannot start " << program << ": error " << ::GetLastError();
        return;
    }
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;
}

ToolProcess::~ToolProcess() {
    if (process_ == nullptr) return;
    if (Running()) Kill();
    ::CloseHandle(process_);
}

bool ToolProcess::Running() const {
    return process_ != nullptr && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ToolProcess::WaitForExit(uint32_t timeoutMs) {
    return process_ != nullptr && ::WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD ToolProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_ != nullptr) ::GetExitCodeProcess(process_, &code);
    return code;
}

void ToolProcess::Kill() {
    if (process_ == nullptr) return;
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, WAIT_SHORT_MS);
}

std::vector<HWND> ToolProcess::TopLevelWindows() const {
    Search search{pid_, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ToolProcess::FindTopLevel(const std::string& title, const char* className) const {
    for (const HWND window : TopLevelWindows()) {
        if (!::IsWindowVisible(window) || WindowText(window) != title) continue;
        if (className != nullptr && ClassName(window) != className) continue;
        return window;
    }
    return nullptr;
}

HWND ToolProcess::WaitForTopLevel(const std::string& title, const char* className,
                                  uint32_t timeoutMs) const {
    HWND found = nullptr;
    WaitFor([&] { return (found = FindTopLevel(title, className)) != nullptr; }, timeoutMs);
    return found;
}

bool ToolProcess::WaitUntilGone(const std::string& title, uint32_t timeoutMs) const {
    return WaitFor([&] { return FindTopLevel(title) == nullptr; }, timeoutMs);
}

HWND ToolProcess::WaitForMainWindow(uint32_t timeoutMs) {
    WaitFor([this] { return (window_ = FindTopLevel(MAIN_TITLE)) != nullptr || !Running(); },
            timeoutMs);
    return window_;
}

void ToolProcess::Click(int commandId) const {
    ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(commandId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(Control(commandId)));
}

void ToolProcess::SetBoxText(int boxId, const std::string& text) const {
    // SetWindowText does not reach a control of another program; the message does.
    ::SendMessageA(Control(boxId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

HWND ToolProcess::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = ::GetWindowThreadProcessId(window_, nullptr);
    if (!::GetGUIThreadInfo(thread, &info)) return nullptr;
    return info.hwndFocus;
}

bool ToolProcess::Answers(uint32_t timeoutMs) const {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) != 0;
}

void PressKey(HWND window, WPARAM key) {
    ::PostMessageA(window, WM_KEYDOWN, key, 1);
    ::PostMessageA(window, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

std::string WindowText(HWND window) {
    // The message, not GetWindowText: it gives an entry box's current text too.
    char text[512] = {};
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                               SMTO_ABORTIFHUNG, 5000, &length))
        return "<no answer>";
    return std::string(text, length < sizeof text ? length : 0);
}

std::string ClassName(HWND window) {
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> Children(HWND window) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

}  // namespace talun::e2e
