// The atomic replace on POSIX: mkstemp beside the file, write, fsync, rename.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "monitor/ReplaceFile.h"

namespace talun::monitor {

namespace {

// The temporary file: removed unless it was renamed; closed on every path.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& path) : name_(path + ".tmp.XXXXXX") {
        std::vector<char> pattern(name_.begin(), name_.end());
        pattern.push_back('\0');
        fd_ = mkstemp(pattern.data());
        made_ = fd_ >= 0;
        name_ = pattern.data();
    }
    ~TemporaryFile() {
        Close();
        if (made_ && !renamed_) unlink(name_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool Made() const { return made_; }
    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    bool Close() {
        if (fd_ < 0) return true;
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }
    void Renamed() { renamed_ = true; }

  private:
    std::string name_;
    int fd_ = -1;  // -1: closed, or never made
    bool made_ = false;
    bool renamed_ = false;
};

bool Failed(const std::string& what, std::string& error) {
    error = what + ": " + std::strerror(errno);
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

bool ReplaceFileContent(const std::string& path, const std::string& text, std::string& error) {
    TemporaryFile temporary(path);
    if (!temporary.Made()) return Failed("cannot make a temporary file beside " + path, error);
    const mode_t readableByAll = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;
    if (fchmod(temporary.Fd(), readableByAll) != 0 || !WriteAll(temporary.Fd(), text) ||
        fsync(temporary.Fd()) != 0 || !temporary.Close())
        return Failed("cannot write " + temporary.Name(), error);
    if (rename(temporary.Name().c_str(), path.c_str()) != 0)
        return Failed("cannot rename " + temporary.Name() + " to " + path, error);
    temporary.Renamed();
    return true;
}

}  // namespace talun::monitor
