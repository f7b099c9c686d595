#include "tests/support/ChildLauncher.h"

#include <windows.h>

#include <algorithm>
#include <thread>

#include "platform/win32/UniqueHandle.h"

namespace talun::test {

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

// One argument as the C runtime splits a command line.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

// Our environment with the given variables set, as a block for CreateProcessW.
std::wstring EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& added) {
    std::vector<std::wstring> entries;
    if (wchar_t* strings = GetEnvironmentStringsW()) {
        for (const wchar_t* p = strings; *p; p += wcslen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : added) {
        const std::wstring prefix = Wide(name) + L"=";
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const std::wstring& e) {
                                         return _wcsnicmp(e.c_str(), prefix.c_str(),
                                                          prefix.size()) == 0;
                                     }),
                      entries.end());
        entries.push_back(prefix + Wide(value));
    }
    std::wstring block;
    for (const std::wstring& e : entries) block += e + L'\0';
    return block + L'\0';
}

// Swallows the Ctrl-C that Interrupt() sends while attached to a child's console.
BOOL WINAPI IgnoreConsoleControl(DWORD) {
    return TRUE;
}

}  // namespace

class Win32Child final : public ChildLauncher {
  public:
    UniqueHandle process;
    DWORD processId = 0;

    Win32Child(const std::string& program, const std::vector<std::string>& arguments,
               const ChildOptions& options) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        UniqueHandle readEnds[2], writeEnds[2];
        for (int i = 0; i < 2; ++i) {
            if (!CreatePipe(readEnds[i].Put(), writeEnds[i].Put(), &inherit, 0) ||
                !SetHandleInformation(readEnds[i].Get(), HANDLE_FLAG_INHERIT, 0)) {
                startError = "CreatePipe failed";
                return;
            }
        }
        UniqueFileHandle input(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                           &inherit, OPEN_EXISTING, 0, nullptr));

        std::wstring commandLine = QuoteArgument(Wide(program));
        for (const std::string& a : arguments) commandLine += L" " + QuoteArgument(Wide(a));
        std::wstring environment = EnvironmentBlock(options.environment);

        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdInput = input.Get();
        startup.hStdOutput = writeEnds[0].Get();
        startup.hStdError = writeEnds[1].Get();
        PROCESS_INFORMATION info{};
        const DWORD flags =
            CREATE_UNICODE_ENVIRONMENT | (options.interruptible ? CREATE_NEW_CONSOLE : 0);
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags,
                            environment.data(), nullptr, &startup, &info)) {
            startError = "CreateProcess failed: error " + std::to_string(GetLastError());
            return;
        }
        CloseHandle(info.hThread);
        process.Reset(info.hProcess);
        processId = info.dwProcessId;
        writeEnds[0].Reset();
        writeEnds[1].Reset();

        for (int i = 0; i < 2; ++i) {
            readers[i] = std::thread([this, i, h = readEnds[i].Get()] {
                char buffer[4096];
                DWORD n = 0;
                while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
                    collected.Append(i == 1, buffer, n);
                CloseHandle(h);
                collected.StreamClosed();
            });
            readEnds[i].Release();  // the reader closes it
        }
        waiter = std::thread([this] {
            WaitForSingleObject(process.Get(), INFINITE);
            DWORD code = 0;
            GetExitCodeProcess(process.Get(), &code);
            collected.Exited(static_cast<int>(code));
        });
    }

    bool Started() const override { return process.Get() != nullptr; }

    bool Interrupt() override {
        {
            std::lock_guard<std::mutex> lock(collected.mutex);
            if (collected.exited) return false;
        }
        SetConsoleCtrlHandler(IgnoreConsoleControl, TRUE);
        FreeConsole();
        if (!AttachConsole(processId)) return false;
        const bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
        FreeConsole();
        return sent;
    }

    void Kill() override {
        std::lock_guard<std::mutex> lock(collected.mutex);
        if (!collected.exited) TerminateProcess(process.Get(), 99);
    }
};

std::unique_ptr<ChildLauncher> LaunchChild(const std::string& program,
                                           const std::vector<std::string>& arguments,
                                           const ChildOptions& options) {
    return std::make_unique<Win32Child>(program, arguments, options);
}

}  // namespace talun::test
