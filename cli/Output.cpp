#include "cli/Output.h"

#include <nlohmann/json.hpp>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace talun::cli {

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

Output::Output(bool json)
    : json_(json), human_(json ? stderr : stdout), humanIsTerminal_(IsTerminal(human_)) {}

void Output::Say(const std::string& line) const {
    std::fprintf(human_, "%s\n", line.c_str());
    std::fflush(human_);
}

void Output::Emit(const nlohmann::ordered_json& object) const {
    if (!json_) return;
    // Replace rather than throw on text that is not UTF-8 (a path, a device name).
    const std::string text =
        object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

int Output::Fail(const std::string& command, const std::string& outcome, int exitCode,
                 const std::string& message) const {
    std::fflush(human_);
    std::fprintf(stderr, "talun-r5: %s\n", message.c_str());
    std::fflush(stderr);
    Emit({{"command", command}, {"outcome", outcome}, {"message", message}, {"exit", exitCode}});
    return exitCode;
}

void Output::Warn(const std::string& message) const {
    std::fflush(human_);
    std::fprintf(stderr, "talun-r5: warning: %s\n", message.c_str());
    std::fflush(stderr);
}

void Output::WriteExactly(const std::string& text) const {
    std::fflush(stdout);
#ifdef _WIN32
    const int mode = _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
#ifdef _WIN32
    if (mode != -1) _setmode(_fileno(stdout), mode);
#endif
}

}  // namespace talun::cli
