#include "tests/cli/CliTest.h"

#include "tests/support/FileText.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace talun::test {

namespace {

// Paths from the build are absolute; on Windows they lack the drive, which
// absolute() supplies (under Wine the build tree is on the current drive).
std::string FullPath(const char* path) {
    return std::filesystem::absolute(path).string();
}

}  // namespace

std::string CliProgram() {
    return FullPath(TALUN_CLI_PROGRAM);
}

std::string DriverWithoutMouse() {
    return FullPath(TALUN_DRIVER_WITHOUT_MOUSE);
}

std::string ReplayDriver() {
    return FullPath(TALUN_REPLAY_DRIVER);
}

std::string RecordingsDir() {
    return FullPath(TALUN_RECORDINGS_DIR);
}

std::vector<uint8_t> ReportWith(std::size_t length, const std::vector<BytesAt>& parts) {
    std::vector<uint8_t> report(length, 0);
    for (const BytesAt& part : parts) {
        for (std::size_t i = 0; i < part.bytes.size(); ++i)
            report.at(part.offset + i) = part.bytes[i];
    }
    return report;
}

void CliTest::SetUp() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::current_path() / "cli-scratch" /
           (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    WriteImage("image.bin", 3068);
    WriteScenario("present = 1");
}

void CliTest::WriteScenario(const std::string& lines) {
    std::ofstream(dir_ / "scenario.ini", std::ios::binary | std::ios::trunc)
        << "[sim]\n"
        << "state_file = state.txt\n"
        << "trace_file = sim-trace.txt\n"
        << "control_file = control.txt\n"
        << "firmware_file = image.bin\n"
        << "poll_ms = 10\n"
        << lines << "\n";
    std::ofstream(dir_ / "control.txt", std::ios::binary | std::ios::app);
}

std::string CliTest::WriteImage(const std::string& name, std::size_t size, bool placeholder) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    if (placeholder) bytes.replace(0, 29, "TALUN-R5 PLACEHOLDER FIRMWARE");
    std::ofstream(dir_ / name, std::ios::binary | std::ios::trunc) << bytes;
    return PathOf(name);
}

ChildOptions CliTest::Options(bool interruptible) const {
    ChildOptions options;
    options.environment.emplace_back("TALUN_SIM_SCENARIO", PathOf("scenario.ini"));
#ifndef _WIN32
    // A guard of this test's programs alone: other tests of the machine run
    // talun-r5 meanwhile. (On Windows the guard is a mutex of the test's Wine prefix.)
    options.environment.emplace_back("TALUN_R5_GUARD_FILE", PathOf("guard.lock"));
#endif
    options.interruptible = interruptible;
    return options;
}

ChildResult CliTest::Run(const std::vector<std::string>& arguments) const {
    return RunChild(CliProgram(), arguments, Options(), WAIT_LIMIT);
}

void CliTest::Control(const std::string& line) const {
    WriteFileText(dir_ / "control.txt", line + "\n", true);
}

std::string CliTest::FileText(const std::string& name) const {
    return WithUnixLineEnds(ReadFileText(dir_ / name).value_or(""));
}

std::vector<uint8_t> CliTest::ReadBytes(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> CliTest::State(const std::string& name) const {
    std::map<std::string, std::string> state;
    for (const std::string& line : Lines(FileText(name))) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) state[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return state;
}

std::vector<TraceLine> CliTest::Trace(const std::string& name) const {
    std::vector<TraceLine> lines;
    for (const std::string& line : Lines(FileText(name))) {
        if (IsTraceNote(line)) continue;
        const std::optional<TraceLine> parsed = ParseTraceLine(line);
        EXPECT_TRUE(parsed) << "not a trace line: " << line;
        if (parsed) lines.push_back(*parsed);
    }
    return lines;
}

std::vector<TraceLine> CliTest::Only(const std::vector<TraceLine>& trace, TraceKind kind) {
    std::vector<TraceLine> selected;
    for (const TraceLine& line : trace)
        if (line.kind == kind) selected.push_back(line);
    return selected;
}

std::vector<std::string> CliTest::Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<nlohmann::json> CliTest::JsonLines(const std::string& text) {
    std::vector<nlohmann::json> values;
    for (const std::string& line : Lines(text)) values.push_back(nlohmann::json::parse(line));
    return values;
}

}  // namespace talun::test
