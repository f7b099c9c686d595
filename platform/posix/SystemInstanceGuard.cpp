#include "platform/SystemInstanceGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace talun {
namespace {

// Anyone may open the file to lock it; only its creator may change it.
constexpr mode_t GUARD_FILE_MODE = 0644;
// Two programs creating the file at once: one creates it, the other opens it.
constexpr int OPEN_ATTEMPTS = 3;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

// The lock lives in the open file: closing it, or the end of the process,
// releases it.
class HeldLock final : public HeldInstanceGuard {
  public:
    explicit HeldLock(int fd) : file_(fd) {}

  private:
    FileDescriptor file_;
};

std::string SystemError(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

// Opens the existing file, or creates it. Read-only is enough for flock(), and
// opening without O_CREAT works on a file of another user in a sticky /tmp,
// where the system may refuse O_CREAT on it. Never follows a link, never waits
// on a FIFO.
int OpenGuardFile(const std::string& path, std::string& problem) {
    constexpr int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    for (int attempt = 0; attempt < OPEN_ATTEMPTS; ++attempt) {
        int fd = ::open(path.c_str(), flags);
        if (fd < 0 && errno == ENOENT) {
            fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, GUARD_FILE_MODE);
            // Whatever the umask: every user must be able to open it.
            if (fd >= 0) ::fchmod(fd, GUARD_FILE_MODE);
            if (fd < 0 && errno == EEXIST) continue;
        }
        if (fd < 0) {
            problem = SystemError("cannot open", path);
            return -1;
        }
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(fd);
            problem = path + " is not a regular file";
            return -1;
        }
        return fd;
    }
    problem = SystemError("cannot open", path);
    return -1;
}

class FileLockGuard final : public InstanceGuard {
  public:
    explicit FileLockGuard(std::string path) : path_(std::move(path)) {}

    GuardAttempt Take() override {
        GuardAttempt attempt;
        const int fd = OpenGuardFile(path_, attempt.detail);
        if (fd < 0) return attempt;
        auto held = std::make_unique<HeldLock>(fd);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            // Only talun-r5 takes this lock: the window does not run here.
            if (errno == EWOULDBLOCK) {
                attempt.state = GuardState::HeldByCommandLine;
            } else {
                attempt.detail = SystemError("cannot lock", path_);
            }
            return attempt;
        }
        attempt.state = GuardState::Taken;
        attempt.held = std::move(held);
        return attempt;
    }

    std::string Where() const override { return path_; }

  private:
    std::string path_;
};

}  // namespace

std::unique_ptr<InstanceGuard> MakeSystemInstanceGuard() {
    const char* named = std::getenv(GUARD_FILE_VARIABLE);
    return std::make_unique<FileLockGuard>(named != nullptr && *named != '\0' ? named
                                                                              : DEFAULT_GUARD_FILE);
}

}  // namespace talun
