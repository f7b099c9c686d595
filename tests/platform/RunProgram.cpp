#include "tests/platform/RunProgram.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#endif

#include <vector>

#ifndef _WIN32
extern char** environ;
#endif

namespace talun::test {

#ifdef _WIN32

namespace {
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != nullptr) ::CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_;
};
}  // namespace

int RunProgram(const std::string& program, const std::string& argument) {
    std::string commandLine = "\"" + program + "\" \"" + argument + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info)) {
        return -1;
    }
    const Handle process(info.hProcess);
    const Handle thread(info.hThread);
    if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 1);
        return -1;
    }
    DWORD status = 0;
    return ::GetExitCodeProcess(process.get(), &status) ? static_cast<int>(status) : -1;
}

#else

int RunProgram(const std::string& program, const std::string& argument) {
    std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()),
                            nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    // The probe writes one line and ends; ctest's timeout guards against a hang.
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

#endif

}  // namespace talun::test
