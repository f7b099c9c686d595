// talun-r5 watch: the production loop. Waits for each mouse, updates it as the
// window does when it is plugged in (after 1500 ms, through the core's device
// events), logs and reports the outcome and a running tally, and goes on until it
// is interrupted; with --board on a full-screen board, with --metrics in the
// station's figures file too. The mice are a station's: each in its slot with a
// library that tells them apart, else the one mouse in the only slot. An
// interrupt is acted on between mice: a run in progress finishes.
#include "cli/Commands.h"
#include "cli/MouseReporter.h"
#include "cli/StationMonitor.h"
#include "console/WatchEvents.h"
#include "device/DriverLibrary.h"
#include "device/SlotAccess.h"
#include "update/DeviceEvents.h"

namespace talun::cli {

namespace {

inline constexpr char PLUGGED_IN_ALREADY[] =
    "a mouse is plugged in already: unplug it and plug it in again to update it";

// The monitor, and for one mouse the feature device, open for as long as this
// lives. A mouse there from the start counts as attached and is updated only
// once it has been plugged in again, as in the window.
class WatchedMice {
  public:
    WatchedMice(ToolSession& session, HidWindow window,
                const std::optional<std::vector<int>>& slots, Station& station,
                MouseReporter& reporter)
        : session_(session), slots_(slots.has_value()) {
        if (slots_) {
            session.Driver().OpenDevMonitor(window, WM_HID_INPUT_EVENT, WM_HID_PLUG_EVENT);
            for (const int slot : *slots) {
                reporter.Name(slot);
                station.MarkAttached(slot);
                reporter.SaySlot(slot, PLUGGED_IN_ALREADY);
            }
        } else if (OpenDeviceAccess(session.Device(), window) != 0) {
            station.MarkAttached(0);
            reporter.Say(PLUGGED_IN_ALREADY);
        } else if (const std::string reason = session.DriverErrorText(); !reason.empty()) {
            // Often the reason no mouse will ever be found (hiddriver.ini, access).
            reporter.Say("no mouse yet: " + reason);
        }
    }
    ~WatchedMice() {
        if (slots_) {
            session_.Driver().CloseDevMonitor();
        } else {
            CloseDeviceAccess(session_.Device());
        }
    }
    WatchedMice(const WatchedMice&) = delete;
    WatchedMice& operator=(const WatchedMice&) = delete;

  private:
    ToolSession& session_;
    bool slots_;
};

// Checks that every mouse could be updated; the failure's exit status, or 0.
int RefusedBeforeWatching(ToolSession& session, const Output& out) {
    // Every mouse would end "not updated" without being touched: say so at once.
    if (!session.State().firmwareRefusal.empty())
        return out.Fail("watch", "refused", EXIT_NOT_UPDATED, session.State().firmwareRefusal);
    if (session.Driver().Slots().Open_DevMonitor == nullptr) {
        return out.Fail("watch", "no-driver", EXIT_NO_DRIVER,
                        "the driver library has no device monitor (Open_DevMonitor): it cannot "
                        "tell when a mouse is plugged in");
    }
    return 0;
}

}  // namespace

int RunWatchCommand(const SessionOptions& options, const Output& out) {
    // Before the driver library is loaded: no thread of it may take an interrupt.
    console::WatchEvents events;
    if (!events.Problem().empty())
        return out.Fail("watch", "failed", EXIT_FAILED, events.Problem());

    std::string logError;
    std::optional<StationLog> log = StationLog::Open(options.logPath, logError);
    if (!logError.empty()) return out.Fail("watch", "bad-usage", EXIT_USAGE, logError);
    int exitCode = EXIT_NOT_UPDATED;
    std::unique_ptr<ToolSession> session = OpenToolSession("watch", options, out, exitCode);
    if (!session) return exitCode;
    if (const int refused = RefusedBeforeWatching(*session, out); refused != 0) return refused;

    const std::unique_ptr<StationMonitor> monitor =
        StationMonitor::Open({options.board, options.metricsPath}, *session, out, exitCode);
    if (!monitor) return exitCode;
    const std::optional<std::vector<int>> slots = ListMouseSlots(session->Driver());
    MouseReporter reporter(*session, out, "watch", log, slots ? MiceShown::BySlot : MiceShown::One,
                           true);
    reporter.Monitor(monitor.get());
    // A mouse that is not in the log stops the station; the others finish.
    reporter.OnLogFailed([&events] { events.Stop(); });
    {
        Station station(reporter.Setup());
        const WatchedMice watched(*session, events.Window(), slots, station, reporter);
        reporter.Say("firmware " + session->Firmware().Describe());
        if (log) reporter.Say("logging every mouse to " + log->Path());
        reporter.Say(slots ? "waiting for Talun R5 mice, any number at once; Ctrl-C stops (the "
                             "mice being updated are finished first)"
                           : "waiting for Talun R5 mice; Ctrl-C stops (a mouse being updated is "
                             "finished first)");
        for (;;) {
            const console::WatchEvent event = events.Next();
            if (event.kind == console::WatchEvent::Kind::Stop) break;
            session->TraceEvent(event.message, event.wParam, event.lParam);
            station.DeliverMessage(event.message, event.wParam, event.lParam);
        }
        station.Stop();  // every run in progress finishes
    }
    monitor->CloseBoard();
    reporter.Say("stopped; " + reporter.Tally());
    return reporter.NotUpdated() == 0 && !reporter.LogFailed() ? EXIT_UPDATED : EXIT_NOT_UPDATED;
}

}  // namespace talun::cli
