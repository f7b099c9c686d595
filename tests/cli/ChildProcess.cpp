#include "tests/cli/ChildProcess.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/UniqueHandle.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#endif

namespace talun::test {

int CountOccurrences(const std::string& haystack, const std::string& text) {
    if (text.empty()) return 0;
    int count = 0;
    for (std::size_t at = haystack.find(text); at != std::string::npos;
         at = haystack.find(text, at + text.size()))
        ++count;
    return count;
}

// The text with every CR LF turned into LF, as Windows programs end their lines.
std::string WithUnixLineEnds(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        result += text[i];
    }
    return result;
}

// What the reader and waiter threads share with the test.
struct Collected {
    std::mutex mutex;
    std::condition_variable changed;
    std::string rawOut;
    std::string rawErr;
    std::string out;  // as read, line ends made LF
    std::string err;
    int openStreams = 2;
    bool exited = false;
    int exitCode = -1;

    void Append(bool isErr, const char* data, std::size_t n) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            std::string& raw = isErr ? rawErr : rawOut;
            raw.append(data, n);
            (isErr ? err : out) = WithUnixLineEnds(raw);
        }
        changed.notify_all();
    }
    void StreamClosed() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            --openStreams;
        }
        changed.notify_all();
    }
    void Exited(int code) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            exited = true;
            exitCode = code;
        }
        changed.notify_all();
    }
};

#ifdef _WIN32

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

struct ChildProcess::Impl {
    Collected collected;
    std::string startError;
    UniqueHandle process;
    DWORD processId = 0;
    std::thread readers[2];
    std::thread waiter;

    Impl(const std::string& program, const std::vector<std::string>& arguments,
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

    bool Started() const { return process.Get() != nullptr; }

    bool Interrupt() {
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

    void Kill() {
        std::lock_guard<std::mutex> lock(collected.mutex);
        if (!collected.exited) TerminateProcess(process.Get(), 99);
    }

    void Join() {
        for (std::thread& t : readers)
            if (t.joinable()) t.join();
        if (waiter.joinable()) waiter.join();
    }
};

#else  // POSIX

struct ChildProcess::Impl {
    Collected collected;
    std::string startError;
    pid_t pid = -1;
    std::thread readers[2];
    std::thread waiter;

    Impl(const std::string& program, const std::vector<std::string>& arguments,
         const ChildOptions& options) {
        int pipes[2][2];
        for (auto& p : pipes) {
            if (pipe2(p, O_CLOEXEC) != 0) {
                startError = std::string("pipe: ") + std::strerror(errno);
                return;
            }
        }
        std::vector<std::string> argvText{program};
        argvText.insert(argvText.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : argvText) argv.push_back(a.data());
        argv.push_back(nullptr);
        // Built here: between fork and exec only async-signal-safe calls are made.
        std::vector<std::string> environmentText;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            bool replaced = false;
            for (const auto& added : options.environment)
                replaced = replaced || entry.rfind(added.first + "=", 0) == 0;
            if (!replaced) environmentText.push_back(entry);
        }
        for (const auto& [name, value] : options.environment)
            environmentText.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& e : environmentText) envp.push_back(e.data());
        envp.push_back(nullptr);

        pid = fork();
        if (pid == 0) {
            dup2(pipes[0][1], STDOUT_FILENO);
            dup2(pipes[1][1], STDERR_FILENO);
            const int devNull = open("/dev/null", O_RDONLY);
            if (devNull >= 0) dup2(devNull, STDIN_FILENO);
            execve(program.c_str(), argv.data(), envp.data());
            _exit(127);
        }
        close(pipes[0][1]);
        close(pipes[1][1]);
        if (pid < 0) {
            startError = std::string("fork: ") + std::strerror(errno);
            close(pipes[0][0]);
            close(pipes[1][0]);
            return;
        }
        for (int i = 0; i < 2; ++i) {
            readers[i] = std::thread([this, i, fd = pipes[i][0]] {
                char buffer[4096];
                for (;;) {
                    const ssize_t n = read(fd, buffer, sizeof buffer);
                    if (n > 0) {
                        collected.Append(i == 1, buffer, static_cast<std::size_t>(n));
                    } else if (n == 0 || errno != EINTR) {
                        break;
                    }
                }
                close(fd);
                collected.StreamClosed();
            });
        }
        waiter = std::thread([this] {
            // Wait without reaping, so that the pid cannot be reused before
            // Interrupt() and Kill() know that the program ended.
            siginfo_t info{};
            while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
                   errno == EINTR) {
            }
            const int code = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
            collected.Exited(code);
            int status = 0;
            waitpid(pid, &status, 0);
        });
    }

    bool Started() const { return pid > 0; }

    bool Interrupt() {
        std::lock_guard<std::mutex> lock(collected.mutex);
        return !collected.exited && kill(pid, SIGINT) == 0;
    }

    void Kill() {
        std::lock_guard<std::mutex> lock(collected.mutex);
        if (!collected.exited) kill(pid, SIGKILL);
    }

    void Join() {
        for (std::thread& t : readers)
            if (t.joinable()) t.join();
        if (waiter.joinable()) waiter.join();
    }
};

#endif

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ChildOptions& options)
    : impl_(std::make_unique<Impl>(program, arguments, options)) {}

ChildProcess::~ChildProcess() {
    if (impl_->Started()) impl_->Kill();
    impl_->Join();
}

bool ChildProcess::Started() const {
    return impl_->Started();
}

void ChildProcess::Kill() {
    if (impl_->Started()) impl_->Kill();
}

std::string ChildProcess::StartError() const {
    return impl_->startError;
}

bool ChildProcess::WaitFor(
    const std::function<bool(const std::string&, const std::string&)>& condition,
    std::chrono::milliseconds limit) {
    Collected& c = impl_->collected;
    std::unique_lock<std::mutex> lock(c.mutex);
    const bool held = c.changed.wait_for(
        lock, limit, [&] { return condition(c.out, c.err) || (c.exited && c.openStreams == 0); });
    return held && condition(c.out, c.err);
}

bool ChildProcess::WaitForOut(const std::string& text, std::chrono::milliseconds limit, int count) {
    return WaitFor([&](const std::string& out,
                       const std::string&) { return CountOccurrences(out, text) >= count; },
                   limit);
}

bool ChildProcess::WaitForErr(const std::string& text, std::chrono::milliseconds limit, int count) {
    return WaitFor([&](const std::string&,
                       const std::string& err) { return CountOccurrences(err, text) >= count; },
                   limit);
}

bool ChildProcess::Interrupt() {
    return impl_->Interrupt();
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds limit) {
    if (!impl_->Started()) return std::nullopt;
    Collected& c = impl_->collected;
    std::unique_lock<std::mutex> lock(c.mutex);
    if (!c.changed.wait_for(lock, limit, [&] { return c.exited && c.openStreams == 0; }))
        return std::nullopt;
    return c.exitCode;
}

std::string ChildProcess::Out() const {
    std::lock_guard<std::mutex> lock(impl_->collected.mutex);
    return impl_->collected.out;
}

std::string ChildProcess::Err() const {
    std::lock_guard<std::mutex> lock(impl_->collected.mutex);
    return impl_->collected.err;
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options, std::chrono::milliseconds limit) {
    ChildProcess child(program, arguments, options);
    ChildResult result;
    result.exitCode = child.WaitForExit(limit);
    result.out = child.Out();
    result.err = child.Err();
    if (!child.Started()) result.err += child.StartError();
    return result;
}

}  // namespace talun::test
