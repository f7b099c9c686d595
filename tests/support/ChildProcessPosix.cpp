#include "tests/support/ChildLauncher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace talun::test {

class PosixChild final : public ChildLauncher {
  public:
    pid_t pid = -1;

    PosixChild(const std::string& program, const std::vector<std::string>& arguments,
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

    bool Started() const override { return pid > 0; }

    bool Interrupt() override {
        std::lock_guard<std::mutex> lock(collected.mutex);
        return !collected.exited && kill(pid, SIGINT) == 0;
    }

    void Kill() override {
        std::lock_guard<std::mutex> lock(collected.mutex);
        if (!collected.exited) kill(pid, SIGKILL);
    }
};

std::unique_ptr<ChildLauncher> LaunchChild(const std::string& program,
                                           const std::vector<std::string>& arguments,
                                           const ChildOptions& options) {
    return std::make_unique<PosixChild>(program, arguments, options);
}

}  // namespace talun::test
