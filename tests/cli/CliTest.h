// Running talun-r5 against the simulated mouse's driver library: a scratch
// folder per test with the sim's scenario, control, state and trace files, and
// readers for them and for talun-r5's own --trace file.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "device/TraceFormat.h"
#include "tests/support/ChildProcess.h"

namespace talun::test {

// Limit for anything a test waits for: generous, as a loaded machine and Wine
// are slow; a test that passes never waits this long.
inline constexpr std::chrono::seconds WAIT_LIMIT{120};

std::string CliProgram();          // talun-r5 as built
std::string DriverWithoutMouse();  // a real-mouse driver library that finds none, no listing
std::string ReplayDriver();        // the replay driver library
std::string RecordingsDir();       // tests/cli/recordings in the sources

// A zero-filled report of length bytes with the given runs of bytes at their offsets.
struct BytesAt {
    std::size_t offset;
    std::vector<uint8_t> bytes;
};
std::vector<uint8_t> ReportWith(std::size_t length, const std::vector<BytesAt>& parts);

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override;

    std::filesystem::path Dir() const { return dir_; }
    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    // The scenario: these lines plus the files of this test (state.txt,
    // sim-trace.txt, control.txt, and image.bin as the expected firmware).
    void WriteScenario(const std::string& lines);
    // A firmware image file of size bytes; the placeholder's mark at its start if asked.
    std::string WriteImage(const std::string& name, std::size_t size, bool placeholder = false);

    ChildOptions Options(bool interruptible = false) const;
    ChildResult Run(const std::vector<std::string>& arguments) const;

    // Appends a line to the sim's control file.
    void Control(const std::string& line) const;
    // A state file of the sim as key=value pairs.
    std::map<std::string, std::string> State(const std::string& name = "state.txt") const;
    // A file of the scratch folder, line ends made LF; empty when missing.
    std::string FileText(const std::string& name) const;
    // A file of the scratch folder as it is; empty when missing.
    std::vector<uint8_t> ReadBytes(const std::string& name) const;
    // talun-r5's --trace file: its lines but the notes.
    std::vector<TraceLine> Trace(const std::string& name) const;
    // Only the lines of this kind.
    static std::vector<TraceLine> Only(const std::vector<TraceLine>& trace, TraceKind kind);
    // The lines of a text, without their line ends.
    static std::vector<std::string> Lines(const std::string& text);
    // Each line of a text (--json output, a production log) as a JSON value.
    static std::vector<nlohmann::json> JsonLines(const std::string& text);

  private:
    std::filesystem::path dir_;
};

}  // namespace talun::test
