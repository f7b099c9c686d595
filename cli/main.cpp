// talun-r5: the firmware update tool for scripts, production stations and Linux.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/ProgressReporter.h"
#include "cli/ToolSession.h"
#include "update/UpdateRun.h"

#ifdef _WIN32
#include <io.h>
#define TALUN_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define TALUN_ISATTY(fd) isatty(fd)
#endif

namespace talun::cli {
namespace {

std::unique_ptr<ToolSession> OpenOrReport(const SessionOptions& options, int& exitCode) {
    SessionError error{0, ""};
    std::unique_ptr<ToolSession> session = ToolSession::Open(options, error);
    if (!session) {
        std::fprintf(stderr, "talun-r5: %s\n", error.message.c_str());
        exitCode = error.exitCode;
    }
    return session;
}

// One update now, of the mouse that is plugged in.
int RunUpdateCommand(const SessionOptions& options) {
    int exitCode = EXIT_NOT_UPDATED;
    std::unique_ptr<ToolSession> session = OpenOrReport(options, exitCode);
    if (!session) return exitCode;
    if (const std::string problem = session->Driver().Problem(); !problem.empty()) {
        std::fprintf(stderr, "talun-r5: warning: %s; its operations count as failed\n",
                     problem.c_str());
    }
    if (!session->State().firmwareRefusal.empty()) {
        std::fprintf(stderr, "talun-r5: %s\n", session->State().firmwareRefusal.c_str());
    }

    ProgressReporter progress(stdout, TALUN_ISATTY(1) != 0);
    CoreContext ctx = session->Context(progress);
    if (!session->Device().OpenFeatureDevice()) {
        std::printf("no mouse found: the feature device did not open\n");
    }
    const UpdateStatus status = RunUpdate(ctx);
    session->Device().CloseFeatureDevice();

    std::printf("%s\n", UpdateStatusText(status));
    if (status != UpdateStatus::Updated) std::printf("%s\n", HINT_NOT_UPDATED);
    return status == UpdateStatus::Updated ? EXIT_UPDATED : EXIT_NOT_UPDATED;
}

}  // namespace

int Main(int argc, char** argv) {
    CLI::App app{
        "Talun R5 firmware update tool: writes the firmware into a Talun R5 mouse and "
        "puts its settings back to defaults.\n"
        "Exit status: 0 updated, 1 not updated, 2 bad usage, 3 driver library missing."};
    app.require_subcommand(1);
    app.set_version_flag("--version",
                         "talun-r5 3.01, firmware " + FirmwareImage::BuiltIn().Describe());

    SessionOptions options;
    app.add_option("--driver", options.driverPath,
                   "Driver library to use (default: the one beside the program)");
    app.add_option("--ini", options.settingsPath,
                   "Settings file (default: default.ini beside the program)");
    app.add_option("--trace", options.tracePath,
                   "Write every report, status read and sleep to this file");

    CLI::App* update = app.add_subcommand("update", "Update the mouse that is plugged in, now");
    update->add_option("--firmware", options.firmwarePath,
                       "Firmware image file of exactly 3068 bytes (default: the built-in image)");
    int exitCode = EXIT_USAGE;
    update->callback([&] { exitCode = RunUpdateCommand(options); });

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : EXIT_USAGE;
    }
    return exitCode;
}

}  // namespace talun::cli

int main(int argc, char** argv) {
    return talun::cli::Main(argc, argv);
}
