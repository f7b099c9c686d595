// The files around one copy of the tool: its folder, the simulated mouse's
// control, state and trace files, and the probe library's call log.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/TraceFormat.h"
#include "tests/support/FileText.h"
#include "tests/support/Hex.h"

namespace talun::e2e {

// Directory of the running test program, with a trailing backslash.
std::string TestProgramDirectory();
// A path relative to the test program's directory (forward or back slashes).
std::string FromTestDirectory(const std::string& relative);

using test::ReadFileText;
using test::WriteFileText;
bool FileExists(const std::string& path);
void CopyFileOrFail(const std::string& from, const std::string& to);
// Removes a folder with everything in it (paths of any length); then creates it.
void RecreateDirectory(const std::string& path);

// Which driver library lies beside the program.
enum class Driver {
    Sim,           // the simulated mouse
    Probe,         // records every call, no mouse
    ProbePartial,  // the same without Open_DevMonitor and GetFeature
    None,          // no hiddriver.dll at all
};

struct FolderSetup {
    Driver driver = Driver::Sim;
    // Scenario lines of the simulated mouse; the control, state and trace files
    // are added to them.
    std::string scenario = "present = 1\n";
};

// A fresh folder holding TalunR5Update.exe, default.ini and the chosen driver.
class ToolFolder {
  public:
    // name: a folder under e2e-work\ beside the test program; parent: another
    // folder to make it in instead (for long paths).
    explicit ToolFolder(const std::string& name, const FolderSetup& setup = {},
                        const std::string& parent = "");
    const std::string& Dir() const { return dir_; }
    std::string File(const std::string& name) const { return dir_ + name; }
    std::string Program() const { return File("TalunR5Update.exe"); }
    // Puts talun-r5.exe beside the window, to share its driver library and
    // simulated mouse; its path.
    std::string AddCommandLine() const;

    // The simulated mouse's files.
    void Control(const std::string& line) const;
    std::map<std::string, std::string> State() const;
    std::string StateValue(const std::string& key) const;

    // The simulated mouse's transfers, each a line of the tool's trace format.
    std::vector<TraceLine> Trace() const;

    // The probe library's log: one entry per call.
    struct Call {
        uint64_t tick = 0;
        std::string name;
        std::string arguments;
    };
    std::vector<Call> ProbeCalls() const;

  private:
    std::string dir_;
};

// "07 32 03" <-> bytes.
using talun::testing::FromHex;
using talun::testing::ToHex;

}  // namespace talun::e2e
