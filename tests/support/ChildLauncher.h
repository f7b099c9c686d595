// The platform's part of ChildProcess: starting the program, with a thread per
// output stream and one that waits for its end, and stopping it.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace talun::test {

// What the reader and waiter threads share with the test.
struct ChildOutput {
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

class ChildLauncher {
  public:
    virtual ~ChildLauncher() = default;
    virtual bool Started() const = 0;
    virtual bool Interrupt() = 0;
    virtual void Kill() = 0;
    // Waits for the threads (after the program ended or was killed). Called
    // before the launcher is destroyed: the threads use the platform's members.
    void Join();

    ChildOutput collected;
    std::string startError;
    // Started by the platform's part: one reader per output stream (standard
    // output, then error), and one that waits for the program's end.
    std::thread readers[2];
    std::thread waiter;
};

// ChildProcessPosix.cpp or ChildProcessWin32.cpp.
std::unique_ptr<ChildLauncher> LaunchChild(const std::string& program,
                                           const std::vector<std::string>& arguments,
                                           const ChildOptions& options);

}  // namespace talun::test
