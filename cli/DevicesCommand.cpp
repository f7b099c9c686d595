// talun-r5 devices: the HID devices the driver library can see, with their
// identifiers, so that an operator can fill in hiddriver.ini.
#include <nlohmann/json.hpp>

#include <cstring>
#include <vector>

#include "cli/Commands.h"
#include "cli/ProgramFiles.h"

namespace talun::cli {

namespace {

// A listing that fills the buffer may have been cut short: ask again with more room.
inline constexpr int LISTING_FIRST_CAPACITY = 64 * 1024;
inline constexpr int LISTING_MAX_CAPACITY = 4 * 1024 * 1024;

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

int RunDevicesCommand(const SessionOptions& options, const Output& out) {
    int exitCode = EXIT_FAILED;
    std::unique_ptr<ToolSession> session = OpenToolSession("devices", options, out, exitCode);
    if (!session) return exitCode;

    const auto list = session->Driver().Slots().List_HidDevices;
    if (list == nullptr) {
        return out.Fail("devices", "unsupported", EXIT_FAILED,
                        "the driver library " + session->DriverPath() +
                            " cannot list devices (it has no List_HidDevices); find the "
                            "mouse's identifiers with the system's own tools instead");
    }

    int count = -1;
    std::string text;
    for (int capacity = LISTING_FIRST_CAPACITY; capacity <= LISTING_MAX_CAPACITY; capacity *= 2) {
        std::vector<char> buffer(static_cast<std::size_t>(capacity), '\0');
        count = list(buffer.data(), capacity);
        buffer.back() = '\0';  // whatever the library did
        text = buffer.data();
        if (count < 0 || text.size() + 1 < static_cast<std::size_t>(capacity)) break;
    }
    if (count < 0) {
        return out.Fail("devices", "failed", EXIT_FAILED,
                        "the driver library could not list the HID devices");
    }

    // Which build of talun-r5 the library is for (Windows).
    if (const std::string note = LibraryBitnessNote(session->DriverPath()); !note.empty())
        out.Say("driver library " + session->DriverPath() + ": " + note);
    const std::vector<std::string> lines = SplitLines(text);
    for (const std::string& line : lines) out.Say(line);
    out.Say(std::to_string(count) + (count == 1 ? " device" : " devices"));
    out.Emit({{"command", "devices"},
              {"outcome", "listed"},
              {"count", count},
              {"devices", lines},
              {"exit", EXIT_DONE}});
    return EXIT_DONE;
}

}  // namespace talun::cli
