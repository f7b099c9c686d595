#include "cli/ToolSession.h"

#include <filesystem>
#include <iterator>
#include <system_error>

#include "cli/Output.h"
#include "platform/PathLimits.h"
#include "platform/ProgramDirectory.h"
#include "platform/SystemLibraryLoader.h"
#include "platform/SystemProfileFile.h"

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

}  // namespace

const char* DriverLibraryFileName() {
#ifdef _WIN32
    return "hiddriver.dll";
#else
    return "libhiddriver.so";
#endif
}

std::unique_ptr<ToolSession> ToolSession::Open(const SessionOptions& options, SessionError& error) {
    std::unique_ptr<ToolSession> session(new ToolSession());  // private constructor
    ToolState& state = session->state_;
    state.ProgramDirectory = ProgramDirectoryFromPath(CurrentProgramPath());
    state.maxPathLength = kMaxPathLength;

    // Everything the user named is checked before the driver library is loaded,
    // so that a mistake never reaches the mouse.
    if (!options.settingsPath.empty()) {
        if (!FileExists(options.settingsPath)) {
            error = {EXIT_USAGE, "settings file not found: " + options.settingsPath};
            return nullptr;
        }
        // The settings reader takes a relative name as one in the system's folder.
        state.settingsFilePath = FullPath(options.settingsPath);
    }

    if (options.firmwarePath.empty()) {
        session->firmware_ = FirmwareImage::BuiltIn();
    } else {
        const auto bytes = ReadWholeFile(options.firmwarePath, FIRMWARE_IMAGE_SIZE);
        if (!bytes) {
            error = {EXIT_USAGE, "cannot read firmware file " + options.firmwarePath};
            return nullptr;
        }
        session->firmware_ = FirmwareImage::FromImage(*bytes);
        if (!session->firmware_) {
            error = {EXIT_USAGE,
                     "firmware file " + options.firmwarePath + " has " +
                         (bytes->size() > FIRMWARE_IMAGE_SIZE ? std::string("more than 3068")
                                                              : std::to_string(bytes->size())) +
                         " bytes; an image has exactly 3068"};
            return nullptr;
        }
    }

    if (!options.tracePath.empty()) {
        session->traceFile_.open(options.tracePath, std::ios::out | std::ios::trunc);
        if (!session->traceFile_) {
            error = {EXIT_USAGE, "cannot write trace file " + options.tracePath};
            return nullptr;
        }
        const TraceSink sink = session->SlotTraceSink(-1);
        session->tracedDevice_ =
            std::make_unique<TracingDeviceAccess>(session->library_, session->clock_, sink);
        session->tracedClock_ = std::make_unique<TracingClock>(session->clock_, sink);
    }

    // The loader takes full paths only: a relative --driver is taken from the
    // current directory.
    std::optional<std::string> driverPath;
    if (options.driverPath.empty()) {
        driverPath =
            JoinBoundedPath(state.ProgramDirectory, DriverLibraryFileName(), kMaxPathLength);
        session->driverPath_ = state.ProgramDirectory + DriverLibraryFileName();
    } else {
        driverPath = FullPath(options.driverPath);
        session->driverPath_ = *driverPath;
    }
    session->loader_ = MakeSystemLibraryLoader();
    if (!LoadDriverLibrary(session->library_, *session->loader_, driverPath)) {
        error = {EXIT_NO_DRIVER, "driver library missing: " + session->library_.Problem() +
                                     " (it belongs beside the program, or name it with --driver)"};
        return nullptr;
    }
    session->TraceNote("driver library " + session->driverPath_);
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
    if (traceFile_.is_open()) traceFile_ << "# " << text << '\n' << std::flush;
}

TraceSink ToolSession::SlotTraceSink(int slot) {
    if (!traceFile_.is_open()) return {};
    const std::string prefix = slot < 0 ? "" : "slot " + std::to_string(slot) + " ";
    return [this, prefix](const std::string& line) {
        std::lock_guard<std::mutex> lock(traceMutex_);
        traceFile_ << prefix << line << '\n' << std::flush;
    };
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
