// talun-r5 watch: the production loop. Waits for each mouse, updates it as the
// window does when it is plugged in (after 1500 ms, through the core's device
// events), reports the outcome and a running tally, and goes on until it is
// interrupted. An interrupt is acted on between mice: a run in progress finishes.
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "cli/WatchEvents.h"
#include "device/DriverLibrary.h"
#include "device/SlotAccess.h"
#include "update/DeviceEvents.h"
#include "update/UpdateRun.h"

namespace talun::cli {

namespace {

struct Tally {
    int updated = 0;
    int notUpdated = 0;

    std::string Text() const {
        return "tally: " + std::to_string(updated) + " updated, " + std::to_string(notUpdated) +
               " not updated";
    }
};

// The monitor and the feature device, open for as long as this lives.
class OpenedDevice {
  public:
    OpenedDevice(DeviceAccess& device, HidWindow window)
        : device_(device), featureOpen_(OpenDeviceAccess(device, window) != 0) {}
    ~OpenedDevice() { CloseDeviceAccess(device_); }
    OpenedDevice(const OpenedDevice&) = delete;
    OpenedDevice& operator=(const OpenedDevice&) = delete;

    bool FeatureOpenAtStart() const { return featureOpen_; }

  private:
    DeviceAccess& device_;
    bool featureOpen_;
};

// Whether DispatchDeviceEvent will take this event as a mouse being plugged in.
bool IsAttach(uint32_t eventCode, const ToolState& state) {
    return (eventCode >> 16) == EVENT_CLASS_PLUG && (eventCode & 0xFFFFu) == EVENT_PLUG_ATTACHED &&
           state.linkState != LinkState::Attached;
}

}  // namespace

int RunWatchCommand(const SessionOptions& options, const Output& out) {
    // Before the driver library is loaded: no thread of it may take an interrupt.
    WatchEvents events;
    if (!events.Problem().empty())
        return out.Fail("watch", "failed", EXIT_FAILED, events.Problem());

    int exitCode = EXIT_NOT_UPDATED;
    std::unique_ptr<ToolSession> session = OpenToolSession("watch", options, out, exitCode);
    if (!session) return exitCode;
    // Every mouse would end "not updated" without being touched: say so at once.
    if (!session->State().firmwareRefusal.empty())
        return out.Fail("watch", "refused", EXIT_NOT_UPDATED, session->State().firmwareRefusal);
    if (session->Driver().Slots().Open_DevMonitor == nullptr) {
        return out.Fail("watch", "no-driver", EXIT_NO_DRIVER,
                        "the driver library has no device monitor (Open_DevMonitor): it cannot "
                        "tell when a mouse is plugged in");
    }

    if (ListMouseSlots(session->Driver())) return RunStationWatch(*session, events, out);

    ProgressReporter progress(out.Human(), out.HumanIsTerminal());
    CoreContext ctx = session->Context(progress);
    ToolState& state = session->State();
    const OpenedDevice opened(ctx.device, events.Window());
    if (opened.FeatureOpenAtStart()) {
        // As in the window: a mouse that is there from the start counts as
        // attached and is updated only once it has been plugged in again.
        state.linkState = LinkState::Attached;
        out.Say("a mouse is plugged in already: unplug it and plug it in again to update it");
    } else if (const std::string reason = session->DriverErrorText(); !reason.empty()) {
        // Often the reason no mouse will ever be found (hiddriver.ini, access).
        out.Say("no mouse yet: " + reason);
    }
    out.Say("firmware " + session->Firmware().Describe());
    out.Say("waiting for Talun R5 mice; Ctrl-C stops (a mouse being updated is finished first)");

    Tally tally;
    int mouseNumber = 0;
    for (;;) {
        const WatchEvent event = events.Next();
        if (event.kind == WatchEvent::Kind::Stop) break;
        const uint32_t code = event.message == WM_HID_PLUG_EVENT
                                  ? PlugEventCode(event.wParam)
                                  : InputEventCode(event.wParam, event.lParam);
        if (IsAttach(code, state)) {
            ++mouseNumber;
            out.Say("mouse " + std::to_string(mouseNumber) +
                    " plugged in: updating it in 1.5 seconds");
            session->TraceNote("mouse " + std::to_string(mouseNumber) + " plugged in");
        }

        const DeviceEventAction action = DispatchDeviceEvent(ctx, code);
        if (action == DeviceEventAction::Attached) {
            const UpdateStatus status = state.updateStatus;
            const bool updated = status == UpdateStatus::Updated;
            ++(updated ? tally.updated : tally.notUpdated);
            std::string line =
                "mouse " + std::to_string(mouseNumber) + ": " + UpdateStatusText(status);
            if (!updated) line += std::string(" ") + HINT_NOT_UPDATED;
            std::string driverError;
            if (!updated) SayDriverError(*session, out, driverError);
            out.Say(line);
            out.Say(tally.Text());
            nlohmann::ordered_json report = {{"command", "watch"}, {"mouse", mouseNumber}};
            report.update(DescribeRun(status, progress));
            if (!driverError.empty()) report["driver_error"] = driverError;
            report["updated"] = tally.updated;
            report["not_updated"] = tally.notUpdated;
            out.Emit(report);
        } else if (action == DeviceEventAction::Detached) {
            out.Say("mouse unplugged; waiting for the next one");
        }
    }

    out.Say("stopped; " + tally.Text());
    return tally.notUpdated == 0 ? EXIT_UPDATED : EXIT_NOT_UPDATED;
}

}  // namespace talun::cli
