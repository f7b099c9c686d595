// What every command of talun-r5 works with: the driver library, the clock, the
// settings file, the firmware image and the shared state, wired into one core
// context; and optionally a trace of every transfer.
#pragma once

#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/ProgramFiles.h"
#include "device/DriverLibrary.h"
#include "device/TransferTrace.h"
#include "platform/LibraryLoader.h"
#include "platform/ProfileFile.h"
#include "platform/SystemClock.h"
#include "production/StationFile.h"
#include "update/FirmwareImage.h"
#include "update/ToolState.h"

namespace talun::cli {

// The production records (the station file, the log) are the command line's
// own words.
using namespace production;

// Exit statuses of talun-r5.
inline constexpr int EXIT_UPDATED = 0;
inline constexpr int EXIT_NOT_UPDATED = 1;
inline constexpr int EXIT_USAGE = 2;
inline constexpr int EXIT_NO_DRIVER = 3;
// Another program of the tool (the window, another talun-r5) has the mouse, or
// the instance guard cannot be taken: nothing was sent.
inline constexpr int EXIT_IN_USE = 4;
// The same two statuses for the commands that do not update: done, or failed.
inline constexpr int EXIT_DONE = EXIT_UPDATED;
inline constexpr int EXIT_FAILED = EXIT_NOT_UPDATED;

struct SessionOptions {
    // empty: the driver library, and default.ini, beside the program or where
    // the package installed them (cli/ProgramFiles.h)
    std::string driverPath;
    std::string settingsPath;
    std::string tracePath;     // empty: no trace
    std::string firmwarePath;  // empty: the built-in image
    bool allMice = false;      // update: every mouse plugged in, when the library tells them apart
    // Not empty: the SHA-256 (64 hex digits) the image must have, or nothing
    // is touched.
    std::string firmwareSha256;
    std::string logPath;  // empty: no production log
    // Empty: no recording. Else every call into the driver library and every
    // message of its monitor, in the trace's format, for the replay library.
    std::string recordPath;
    // Empty: station.ini beside the program, if there is one (cli/StationFile.h).
    std::string stationFilePath;
    std::string lot;  // the lot or work order recorded with every mouse; empty: none
    // watch: the full-screen board on a terminal; the station's figures in
    // this file (empty: none).
    bool board = false;
    std::string metricsPath;
};

struct SessionError {
    int exitCode;
    std::string message;
};

// The driver library's file name on this system.
const char* DriverLibraryFileName();

// The SHA-256 of the image proper (the 3068 bytes of its file), in hex; empty
// when the system could not compute it.
std::string FirmwareSha256(const FirmwareImage& image);

class ToolSession {
  public:
    // Loads the driver library and prepares everything; on failure fills error.
    static std::unique_ptr<ToolSession> Open(const SessionOptions& options, SessionError& error);
    ~ToolSession();

    CoreContext Context(UpdateObserver& observer);
    // The same, with the device operations going through device (a decorator of Device()).
    CoreContext Context(UpdateObserver& observer, DeviceAccess& device);
    ToolState& State() { return state_; }
    DriverLibrary& Driver() { return library_; }
    DeviceAccess& Device() {
        return tracedDevice_ ? static_cast<DeviceAccess&>(*tracedDevice_) : library_;
    }
    Clock& SessionClock() { return tracedClock_ ? static_cast<Clock&>(*tracedClock_) : clock_; }
    const FirmwareImage& Firmware() const { return *firmware_; }
    const ProfileFile& Profile() const { return *profileFile_; }
    const std::string& FirmwareSha256Hex() const { return firmwareSha256_; }
    std::string DriverPath() const { return driverPath_; }
    // A note for the trace file (nothing when there is none).
    void TraceNote(const std::string& text);
    // Where the lines of one slot of a station go in the trace file, each after
    // "slot N " (slot -1: the one mouse, no prefix); an empty sink when there is
    // no trace. Safe from any thread.
    TraceSink SlotTraceSink(int slot);
    // A message of the device monitor, for the trace and the recording.
    void TraceEvent(unsigned message, uintptr_t wParam, intptr_t lParam);
    // The clock itself, without the trace of its sleeps.
    Clock& SystemTime() { return clock_; }
    const StationFile& Station() const { return station_; }
    const std::string& Lot() const { return lot_; }
    // Who the mouse in slot is: its identity from the driver library (when the
    // library gives one), named by the station file.
    MouseTag TagOf(int slot);
    // Who the one mouse of update and the one-mouse watch is: the only mouse the
    // library lists. With several plugged in, which one the six entry points
    // reach is the library's choice, so its identity is not claimed.
    MouseTag TagOfOneMouse();
    // Why the driver library's last call failed, from its optional
    // Get_LastErrorText (also noted in the trace); empty when it has none.
    std::string DriverErrorText();

  private:
    ToolSession() = default;
    static bool OpenTraceFiles(ToolSession& session, const SessionOptions& options,
                               SessionError& error);
    // The station file and the lot, checked before anything else is opened.
    static bool ReadStationOptions(ToolSession& session, const SessionOptions& options,
                                   const FileFolders& folders, SessionError& error);

    std::unique_ptr<LibraryLoader> loader_;
    DriverLibrary library_;
    SystemClock clock_;
    std::unique_ptr<ProfileFile> profileFile_;
    std::optional<FirmwareImage> firmware_;
    std::string firmwareSha256_;
    ToolState state_;
    std::string driverPath_;
    StationFile station_;
    std::string lot_;
    void WriteTraceLine(const std::string& line);

    std::ofstream traceFile_;
    std::ofstream recordFile_;
    std::mutex traceMutex_;  // the trace file's lines come from several threads in a station
    std::unique_ptr<TracingDeviceAccess> tracedDevice_;
    std::unique_ptr<TracingClock> tracedClock_;
};

class Output;

// Opens the session for a command. On failure says why (and the outcome with
// --json), sets exitCode and returns nothing. Warns about missing entry points.
std::unique_ptr<ToolSession> OpenToolSession(const std::string& command,
                                             const SessionOptions& options, const Output& out,
                                             int& exitCode);

}  // namespace talun::cli
