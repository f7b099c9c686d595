// The virtual mouse of one test: how it answers, plugging it in and out, and
// the log of every feature report it received and returned.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/vhid/VirtualMouseIds.h"

namespace talun::vhid {

namespace fs = std::filesystem;

// The identifiers it presents, as a test's hiddriver.ini names them.
inline constexpr uint16_t VENDOR_ID = VMOUSE_VENDOR_ID;
inline constexpr uint16_t PRODUCT_ID = VMOUSE_PRODUCT_ID;
std::string TestIni();

// Status reads answered Busy after each write, then the final status; with
// onlyAfterReport, after writes of that report ID alone (Done after the others).
struct Answers {
    DWORD busyReads = 0;
    DWORD finalStatus = 1;  // 1 Done
    DWORD onlyAfterReport = 0;
};

// One line of the mouse's log: "SET" (bytes received), "GET" (bytes returned),
// "START" or "STOP".
struct LogEntry {
    std::string what;
    std::vector<uint8_t> bytes;
};

// Directory of the running test program.
fs::path TestProgramDirectory();

class VirtualMouse {
  public:
    // Takes away a mouse left over from an earlier run; the log goes to logFile.
    explicit VirtualMouse(fs::path logFile);
    ~VirtualMouse();  // unplugs it
    VirtualMouse(const VirtualMouse&) = delete;
    VirtualMouse& operator=(const VirtualMouse&) = delete;

    // Read by the mouse when it is plugged in.
    void SetAnswers(const Answers& answers) const;
    // Each returns once the system shows its HID collection, or no longer does;
    // false (with the reason in Error()) when that does not come in a generous time.
    bool PlugIn();
    bool Unplug();
    const std::string& Error() const { return error_; }

    std::vector<LogEntry> Log() const;
    // The SET and GET lines of the log only.
    std::vector<LogEntry> Transfers() const;

  private:
    fs::path logFile_;
    std::string error_;
};

// True while a HID collection with the mouse's identifiers is present.
bool CollectionPresent();

}  // namespace talun::vhid
