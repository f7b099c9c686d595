// The log file on POSIX: O_APPEND, one write(), fsync().
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "production/StationLog.h"

namespace talun::production {

struct LogFile::Handle {
    int descriptor = -1;
    ~Handle() {
        if (descriptor >= 0) close(descriptor);
    }
};

LogFile::LogFile(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
LogFile::~LogFile() = default;

std::unique_ptr<LogFile> LogFile::Open(const std::string& path, std::string& error) {
    auto handle = std::make_unique<Handle>();
    handle->descriptor = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (handle->descriptor < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat status {};
    if (fstat(handle->descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
        error = "it is a folder";
        return nullptr;
    }
    return std::unique_ptr<LogFile>(new LogFile(std::move(handle)));  // private constructor
}

bool LogFile::Append(const std::string& text, std::string& error) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(handle_->descriptor, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error = written < 0 ? std::strerror(errno) : "nothing was written";
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    if (fsync(handle_->descriptor) != 0 && errno != EINVAL) {
        // EINVAL: a file that cannot be synchronised (a pipe, a terminal).
        error = std::string("not flushed to the disk: ") + std::strerror(errno);
        return false;
    }
    return true;
}

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "";
    return name;
}

bool UtcCalendar(std::time_t time, std::tm& calendar) {
    return gmtime_r(&time, &calendar) != nullptr;
}

}  // namespace talun::production
