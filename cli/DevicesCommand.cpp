// talun-r5 devices: the HID devices the driver library can see, with their
// identifiers, so that an operator can fill in hiddriver.ini; and the mice in
// their slots with the port, serial and label every record names them by, so
// that the station file's ports can be written without updating a mouse.
#include <nlohmann/json.hpp>

#include <cstring>
#include <optional>
#include <vector>

#include "cli/Commands.h"
#include "cli/MouseReporter.h"
#include "cli/ProgramFiles.h"
#include "device/SlotAccess.h"

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

// "slot 2: port 1-1.4, serial R5-0002, label A4" (what the library and the
// station file say of it).
std::string SlotLine(const MouseTag& tag) {
    std::string line = "slot " + std::to_string(tag.slot) + ": ";
    line += tag.port.empty() ? "the library does not say its port" : "port " + tag.port;
    if (!tag.serial.empty()) line += ", serial " + tag.serial;
    if (!tag.label.empty()) line += ", label " + tag.label;
    return line;
}

// The mice plugged in now, each in its slot; null when the library cannot tell
// mice apart.
nlohmann::ordered_json ListMice(ToolSession& session, const Output& out) {
    const std::optional<std::vector<int>> slots = ListMouseSlots(session.Driver());
    if (!slots) {
        if (session.Driver().HasMouseSlots()) {
            const std::string reason = session.DriverErrorText();
            out.Say("the driver library could not list the mice" +
                    (reason.empty() ? std::string() : ": " + reason));
        }
        return nullptr;
    }
    nlohmann::ordered_json mice = nlohmann::ordered_json::array();
    for (const int slot : *slots) {
        const MouseTag tag = session.TagOf(slot);
        out.Say(SlotLine(tag));
        nlohmann::ordered_json mouse = {{"slot", slot}};
        mouse.update(DescribeMouse(tag));
        mice.push_back(std::move(mouse));
    }
    out.Say(std::to_string(slots->size()) + (slots->size() == 1 ? " mouse" : " mice") +
            " plugged in");
    return mice;
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
    const nlohmann::ordered_json mice = ListMice(*session, out);
    out.Emit({{"command", "devices"},
              {"outcome", "listed"},
              {"count", count},
              {"devices", lines},
              {"mice", mice},
              {"exit", EXIT_DONE}});
    return EXIT_DONE;
}

}  // namespace talun::cli
