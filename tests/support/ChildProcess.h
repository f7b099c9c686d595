// Runs a program for a test: its standard output and error are collected as they
// come, the test can wait (with a time limit) for something to appear in them or
// for the program to end, and can interrupt it as Ctrl-C would.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace talun::test {

class ChildLauncher;

struct ChildOptions {
    std::vector<std::pair<std::string, std::string>> environment;  // added to ours
    // On Windows: a console of its own, so that Interrupt() can reach it.
    bool interruptible = false;
};

class ChildProcess {
  public:
    // Starts program with arguments. Started() tells whether it did.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const ChildOptions& options = {});
    // Kills the program if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const;
    std::string StartError() const;

    // Waits until condition(stdout so far, stderr so far) holds; false on time-out
    // or when the program ended without it holding.
    bool WaitFor(const std::function<bool(const std::string&, const std::string&)>& condition,
                 std::chrono::milliseconds limit);
    // Waits until standard output (or error) holds text count times.
    bool WaitForOut(const std::string& text, std::chrono::milliseconds limit, int count = 1);
    bool WaitForErr(const std::string& text, std::chrono::milliseconds limit, int count = 1);

    // SIGINT on POSIX; Ctrl-C in the program's console on Windows (interruptible).
    bool Interrupt();

    // Ends the program at once, as a crash would (SIGKILL, TerminateProcess).
    void Kill();

    // The exit status once the program has ended and its output is all read;
    // nothing on time-out.
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);

    // What the program wrote so far, line ends made LF.
    std::string Out() const;
    std::string Err() const;

  private:
    std::unique_ptr<ChildLauncher> impl_;
};

// The text with every CR LF turned into LF. Output and files of a Windows
// program end their lines with CR LF; the tests compare LF-ended text.
std::string WithUnixLineEnds(const std::string& text);

// How often text occurs in haystack.
int CountOccurrences(const std::string& haystack, const std::string& text);

// Runs the program to its end (at most limit) and returns status and output.
struct ChildResult {
    std::optional<int> exitCode;
    std::string out;
    std::string err;
};
ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options = {},
                     std::chrono::milliseconds limit = std::chrono::seconds(120));

}  // namespace talun::test
