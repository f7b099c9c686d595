#include "tests/app/e2e/Files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TraceTransfers.h"

namespace talun::e2e {
namespace {

namespace fs = std::filesystem;

constexpr char SCENARIO_FILES[] =
    "control_file = sim-control.txt\n"
    "state_file = sim-state.txt\n"
    "trace_file = sim-trace.txt\n"
    "poll_ms = 10\n";

std::string Backslashes(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string DriverSource(Driver driver) {
    switch (driver) {
        case Driver::Sim:
            return FromTestDirectory(TALUN_SIM_DRIVER_FROM_TEST);
        case Driver::Probe:
            return FromTestDirectory(TALUN_PROBE_DRIVER_FROM_TEST);
        case Driver::ProbePartial:
            return FromTestDirectory(TALUN_PROBE_PARTIAL_DRIVER_FROM_TEST);
        case Driver::None:
            break;
    }
    return "";
}

}  // namespace

std::string TestProgramDirectory() {
    std::vector<char> buffer(32768);
    const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    std::string path(buffer.data(), n);
    return path.substr(0, path.find_last_of('\\') + 1);
}

std::string FromTestDirectory(const std::string& relative) {
    return TestProgramDirectory() + Backslashes(relative);
}

bool FileExists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::path(path), error);
}

void CopyFileOrFail(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::copy_file(fs::path(from), fs::path(to), fs::copy_options::overwrite_existing, error);
    ASSERT_FALSE(error) << "copy " << from << " -> " << to << ": " << error.message();
}

namespace {

// "\\?\" paths: the file functions take them at any length.
std::wstring LongPath(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
    return L"\\\\?\\" + wide;
}

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW entry{};
    const HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = dir + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    ::RemoveDirectoryW(dir.c_str());
}

}  // namespace

void RecreateDirectory(const std::string& path) {
    const std::wstring dir = LongPath(path);
    RemoveTree(dir);
    // Each level in turn, from the first missing one.
    for (size_t at = dir.find(L'\\', 7);; at = dir.find(L'\\', at + 1)) {
        const std::wstring level = at == std::wstring::npos ? dir : dir.substr(0, at);
        ::CreateDirectoryW(level.c_str(), nullptr);
        if (at == std::wstring::npos) break;
    }
    const DWORD attributes = ::GetFileAttributesW(dir.c_str());
    ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        << "cannot make " << path;
}

ToolFolder::ToolFolder(const std::string& name, const FolderSetup& setup,
                       const std::string& parent) {
    const std::string base = parent.empty() ? FromTestDirectory("e2e-work\\") : parent;
    dir_ = base + name + "\\";
    RecreateDirectory(dir_);
    CopyFileOrFail(FromTestDirectory(TALUN_TOOL_FROM_TEST), Program());
    CopyFileOrFail(FromTestDirectory(TALUN_DEFAULT_INI_FROM_TEST), File("default.ini"));
    if (setup.driver != Driver::None)
        CopyFileOrFail(DriverSource(setup.driver), File("hiddriver.dll"));
    if (setup.driver == Driver::Sim) {
        EXPECT_TRUE(WriteFileText(File("sim-scenario.ini"), setup.scenario + SCENARIO_FILES));
        EXPECT_TRUE(WriteFileText(File("sim-control.txt"), ""));
    }
}

std::string ToolFolder::AddCommandLine() const {
    CopyFileOrFail(FromTestDirectory(TALUN_CLI_FROM_TEST), File("talun-r5.exe"));
    return File("talun-r5.exe");
}

void ToolFolder::Control(const std::string& line) const {
    ASSERT_TRUE(WriteFileText(File("sim-control.txt"), line + "\n", true));
}

std::map<std::string, std::string> ToolFolder::State() const {
    std::map<std::string, std::string> values;
    std::istringstream lines(ReadFileText(File("sim-state.txt")).value_or(""));
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::string ToolFolder::StateValue(const std::string& key) const {
    const auto values = State();
    const auto found = values.find(key);
    return found == values.end() ? std::string() : found->second;
}

std::vector<TraceLine> ToolFolder::Trace() const {
    std::string text = ReadFileText(File("sim-trace.txt")).value_or("");
    text.erase(text.find_last_of('\n') + 1);  // the last line may still be being written
    return testing::TransfersOf(text);
}

std::vector<ToolFolder::Call> ToolFolder::ProbeCalls() const {
    std::vector<Call> calls;
    std::istringstream lines(ReadFileText(File("probe-calls.txt")).value_or(""));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        Call call;
        if (!(fields >> call.tick >> call.name)) continue;
        std::getline(fields, call.arguments);
        if (!call.arguments.empty() && call.arguments.front() == ' ') call.arguments.erase(0, 1);
        calls.push_back(call);
    }
    return calls;
}

}  // namespace talun::e2e
