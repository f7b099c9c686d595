#include "tests/support/ChildProcess.h"

#include "tests/support/ChildLauncher.h"

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

void ChildLauncher::Join() {
    for (std::thread& t : readers)
        if (t.joinable()) t.join();
    if (waiter.joinable()) waiter.join();
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ChildOptions& options)
    : impl_(LaunchChild(program, arguments, options)) {}

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
    ChildOutput& c = impl_->collected;
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
    ChildOutput& c = impl_->collected;
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
