#include "driver/sim/SimDeviceAccess.h"

namespace talun::sim {

namespace {
constexpr uintptr_t kEventClassButton = 0xE000;
}

void SimDeviceAccess::OpenDevMonitor(HidWindow window, unsigned inputMessage,
                                     unsigned plugMessage) {
    monitorOpen_ = true;
    window_ = window;
    inputMessage_ = inputMessage;
    plugMessage_ = plugMessage;
    ++opens_;
    // A mouse already there when the monitor opens is not announced.
    reportedPresent_ = mouse_.IsPresent();
}

void SimDeviceAccess::CloseDevMonitor() {
    if (monitorOpen_) ++closes_;
    monitorOpen_ = false;
}

bool SimDeviceAccess::Plug() {
    mouse_.SetPresent(true);
    return PollPresence();
}

bool SimDeviceAccess::Unplug() {
    mouse_.SetPresent(false);
    return PollPresence();
}

bool SimDeviceAccess::PollPresence() {
    const bool present = mouse_.IsPresent();
    if (!monitorOpen_ || present == reportedPresent_) return false;
    reportedPresent_ = present;
    return Post(plugMessage_, present ? 1 : 0, 0);
}

bool SimDeviceAccess::DeliverPlugEvent(uintptr_t wParam) {
    return Post(plugMessage_, wParam, 0);
}

bool SimDeviceAccess::DeliverInputEvent(uintptr_t wParam, intptr_t lParam) {
    return Post(inputMessage_, wParam, lParam);
}

bool SimDeviceAccess::DeliverButton(int button) {
    return DeliverInputEvent(kEventClassButton, button);
}

bool SimDeviceAccess::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (!monitorOpen_ || window_ == nullptr) return false;
    auto* sink = static_cast<HidEventSink*>(window_);
    if (sink->post == nullptr) return false;
    sink->post(sink, message, wParam, lParam);
    return true;
}

}  // namespace talun::sim
