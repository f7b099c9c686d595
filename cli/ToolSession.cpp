#include "cli/ToolSession.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "cli/Output.h"
#include "cli/ProgramFiles.h"
#include "device/Recording.h"
#include "device/SlotAccess.h"
#include "platform/PathLimits.h"
#include "platform/ProgramDirectory.h"
#include "platform/Sha256.h"
#include "platform/SystemLibraryLoader.h"
#include "platform/SystemProfileFile.h"
#include "update/DefaultSettings.h"

namespace talun::cli {

namespace {

bool FileExists(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes;
    char c;
    while (bytes.size() <= limit && in.get(c)) bytes.push_back(static_cast<uint8_t>(c));
    return bytes;
}

std::string FullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.string();
}

std::string Lowercase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The built-in image, or the one in the file named; nothing (and why) when that
// file is not an image.
std::optional<FirmwareImage> ChooseFirmware(const std::string& firmwarePath, SessionError& error) {
    if (firmwarePath.empty()) return FirmwareImage::BuiltIn();
    const auto bytes = ReadWholeFile(firmwarePath, FIRMWARE_IMAGE_SIZE);
    if (!bytes) {
        error = {EXIT_USAGE, "cannot read firmware file " + firmwarePath};
        return std::nullopt;
    }
    std::optional<FirmwareImage> image = FirmwareImage::FromImage(*bytes);
    if (!image) {
        error = {EXIT_USAGE,
                 "firmware file " + firmwarePath + " has " +
                     (bytes->size() > FIRMWARE_IMAGE_SIZE ? std::string("more than 3068")
                                                          : std::to_string(bytes->size())) +
                     " bytes; an image has exactly 3068"};
    }
    return image;
}

struct DriverChoice {
    std::optional<std::string> path;  // nothing: the path does not fit
    std::string shownPath;            // for reports and the trace
    std::string belongs;              // where a missing library belongs
};

// The driver library named with --driver, else the first one found in the
// folders; when there is none, the one beside the program, to be reported
// missing. The loader takes full paths only: a relative --driver is taken from
// the current directory.
DriverChoice ChooseDriver(const std::string& named, const std::string& programDirectory,
                          const FileFolders& folders) {
    if (!named.empty()) {
        const std::string full = FullPath(named);
        return {full, full, "beside the program"};
    }
    DriverChoice choice;
    choice.path =
        FindInFolders(folders.driver, DriverLibraryFileName(), kMaxPathLength, FileExists);
    if (!choice.path)
        choice.path = JoinBoundedPath(programDirectory, DriverLibraryFileName(), kMaxPathLength);
    choice.shownPath = choice.path.value_or(programDirectory + DriverLibraryFileName());
    choice.belongs = "beside the program";
    for (std::size_t i = 1; i < folders.driver.size(); ++i)
        choice.belongs += " or in " + folders.driver[i];
    return choice;
}

// The pinned digest, when one was given, against the image's; on a mismatch
// fills error.
bool MatchesPinnedDigest(const SessionOptions& options, const std::string& actual,
                         SessionError& error) {
    if (options.firmwareSha256.empty()) return true;
    const std::string expected = Lowercase(options.firmwareSha256);
    if (actual == expected) return true;
    const std::string source = options.firmwarePath.empty()
                                   ? std::string("the built-in firmware image")
                                   : "firmware file " + options.firmwarePath;
    error = {EXIT_USAGE, actual.empty() ? "cannot compute the SHA-256 of " + source +
                                              " to compare it with " + expected
                                        : source + " has SHA-256 " + actual + ", not the pinned " +
                                              expected + "; refused, nothing was sent"};
    return false;
}

}  // namespace

std::string FirmwareSha256(const FirmwareImage& image) {
    const auto digest = ComputeSha256(image.Block().data(), FIRMWARE_IMAGE_SIZE);
    return digest ? Sha256Hex(*digest) : std::string();
}

const char* DriverLibraryFileName() {
#ifdef _WIN32
    return "hiddriver.dll";
#else
    return "libhiddriver.so";
#endif
}

bool ToolSession::ReadStationOptions(ToolSession& session, const SessionOptions& options,
                                     const FileFolders& folders, SessionError& error) {
    std::string problem = LotProblem(options.lot);
    std::optional<StationFile> station;
    if (problem.empty())
        station = LoadStationFile(options.stationFilePath, folders.settings, problem);
    if (!problem.empty()) {
        error = {EXIT_USAGE, problem + "; nothing was sent"};
        return false;
    }
    session.station_ = std::move(*station);
    session.lot_ = options.lot;
    return true;
}

MouseTag ToolSession::TagOf(int slot) {
    return TagMouse(station_, ReadSlotIdentity(library_, slot), slot);
}

MouseTag ToolSession::TagOfOneMouse() {
    const auto slots = ListMouseSlots(library_);
    if (slots && slots->size() != 1) return TagMouse(station_, std::nullopt, 0);
    return TagOf(slots ? slots->front() : 0);
}

bool ToolSession::OpenTraceFiles(ToolSession& session, const SessionOptions& options,
                                 SessionError& error) {
    if (!options.tracePath.empty()) {
        session.traceFile_.open(options.tracePath, std::ios::out | std::ios::trunc);
        if (!session.traceFile_) {
            error = {EXIT_USAGE, "cannot write trace file " + options.tracePath};
            return false;
        }
    }
    if (!options.recordPath.empty()) {
        session.recordFile_.open(options.recordPath, std::ios::out | std::ios::trunc);
        if (!session.recordFile_) {
            error = {EXIT_USAGE, "cannot write recording " + options.recordPath};
            return false;
        }
        // The lines of a trace, after the line that makes them a recording
        // (device/Recording.h); monitor messages are added by TraceEvent.
        session.recordFile_ << RECORDING_FIRST_LINE << '\n' << std::flush;
    }
    return true;
}

std::unique_ptr<ToolSession> ToolSession::Open(const SessionOptions& options, SessionError& error) {
    std::unique_ptr<ToolSession> session(new ToolSession());  // private constructor
    ToolState& state = session->state_;
    state.ProgramDirectory = ProgramDirectoryFromPath(CurrentProgramPath());
    state.maxPathLength = kMaxPathLength;
    const FileFolders folders = FoldersToSearch(state.ProgramDirectory, PackagedLayout());

    // Everything the user named is checked before the driver library is loaded,
    // so that a mistake never reaches the mouse.
    if (options.settingsPath.empty()) {
        // Not found anywhere: the one beside the program, which counts as missing.
        if (auto found =
                FindInFolders(folders.settings, SETTINGS_FILE_NAME, kMaxPathLength, FileExists))
            state.settingsFilePath = *found;
    } else {
        if (!FileExists(options.settingsPath)) {
            error = {EXIT_USAGE, "settings file not found: " + options.settingsPath};
            return nullptr;
        }
        // The settings reader takes a relative name as one in the system's folder.
        state.settingsFilePath = FullPath(options.settingsPath);
    }

    if (!ReadStationOptions(*session, options, folders, error)) return nullptr;
    session->firmware_ = ChooseFirmware(options.firmwarePath, error);
    if (!session->firmware_) return nullptr;
    session->firmwareSha256_ = FirmwareSha256(*session->firmware_);
    if (!MatchesPinnedDigest(options, session->firmwareSha256_, error)) return nullptr;

    if (!OpenTraceFiles(*session, options, error)) return nullptr;
    if (const TraceSink sink = session->SlotTraceSink(-1)) {
        session->tracedDevice_ =
            std::make_unique<TracingDeviceAccess>(session->library_, session->clock_, sink);
        session->tracedClock_ = std::make_unique<TracingClock>(session->clock_, sink);
    }

    const DriverChoice driver = ChooseDriver(options.driverPath, state.ProgramDirectory, folders);
    session->driverPath_ = driver.shownPath;
    if (std::string problem = OtherBitnessProblem(driver.shownPath); !problem.empty()) {
        error = {EXIT_NO_DRIVER, problem};
        return nullptr;
    }
    session->loader_ = MakeSystemLibraryLoader();
    if (!LoadDriverLibrary(session->library_, *session->loader_, driver.path)) {
        error = {EXIT_NO_DRIVER, "driver library missing: " + session->library_.Problem() +
                                     " (it belongs " + driver.belongs +
                                     ", or name it with --driver)"};
        return nullptr;
    }
    session->TraceNote("driver library " + session->driverPath_);
    session->TraceNote("settings file " + SettingsFilePath(state).value_or("(path too long)"));
    state.firmwareRefusal = FirmwareRefusal(*session->firmware_, session->library_.IsSimulator());
    session->profileFile_ = MakeSystemProfileFile();
    return session;
}

ToolSession::~ToolSession() {
    library_.Unload();
}

CoreContext ToolSession::Context(UpdateObserver& observer) {
    return Context(observer, Device());
}

CoreContext ToolSession::Context(UpdateObserver& observer, DeviceAccess& device) {
    return CoreContext{state_, device, SessionClock(), *profileFile_, *firmware_, observer};
}

void ToolSession::TraceNote(const std::string& text) {
    std::lock_guard<std::mutex> lock(traceMutex_);
    WriteTraceLine(FormatTraceNote(text));
}

TraceSink ToolSession::SlotTraceSink(int slot) {
    if (!traceFile_.is_open() && !recordFile_.is_open()) return {};
    const std::string prefix = slot < 0 ? "" : "slot " + std::to_string(slot) + " ";
    return [this, prefix](const std::string& line) {
        std::lock_guard<std::mutex> lock(traceMutex_);
        WriteTraceLine(prefix + line);
    };
}

void ToolSession::WriteTraceLine(const std::string& line) {
    if (traceFile_.is_open()) traceFile_ << line << '\n' << std::flush;
    if (recordFile_.is_open()) recordFile_ << line << '\n' << std::flush;
}

void ToolSession::TraceEvent(unsigned message, uintptr_t wParam, intptr_t lParam) {
    const TraceSink sink = SlotTraceSink(-1);
    if (!sink) return;
    TraceLine line{TraceKind::Event, clock_.NowMs()};
    line.plug = message == WM_HID_PLUG_EVENT;
    line.wParam = wParam;
    line.lParam = lParam;
    sink(FormatTraceLine(line));
}

std::string ToolSession::DriverErrorText() {
    const std::string reason = library_.LastErrorText();
    if (!reason.empty()) TraceNote("driver library: " + reason);
    return reason;
}

std::unique_ptr<ToolSession> OpenToolSession(const std::string& command,
                                             const SessionOptions& options, const Output& out,
                                             int& exitCode) {
    SessionError error{EXIT_NOT_UPDATED, ""};
    std::unique_ptr<ToolSession> session = ToolSession::Open(options, error);
    if (!session) {
        exitCode = out.Fail(command, error.exitCode == EXIT_NO_DRIVER ? "no-driver" : "bad-usage",
                            error.exitCode, error.message);
        return nullptr;
    }
    if (const std::string problem = session->Driver().Problem(); !problem.empty())
        out.Warn(problem + "; its operations count as failed");
    return session;
}

}  // namespace talun::cli
