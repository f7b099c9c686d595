#include "driver/linux/UdevMonitor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "driver/common/MouseSlots.h"

namespace talun::hiddriver {
namespace {

constexpr const char* SUBSYSTEM_HIDRAW = "hidraw";
constexpr const char* UDEV_CONTROL_SOCKET = "/run/udev/control";

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

const char* Text(const char* s) {
    return s != nullptr ? s : "";
}

// A hidraw node as the slots know it: its sysfs path, under its USB device's.
MouseInterface InterfaceOf(udev_device* device) {
    const std::string syspath = Text(udev_device_get_syspath(device));
    return {LinuxMousePath(syspath), syspath};
}

}  // namespace

UdevMonitor::UdevMonitor(Key, const DriverConfig& config, HidEventSink* sink, unsigned plugMessage,
                         MouseSlotNotes& notes)
    : config_(config), sink_(sink), plugMessage_(plugMessage), notes_(notes) {}

std::unique_ptr<UdevMonitor> UdevMonitor::Start(const DriverConfig& config, HidEventSink* sink,
                                                unsigned plugMessage, MouseSlotNotes& notes,
                                                std::string& error, std::string& warning) {
    auto self = std::make_unique<UdevMonitor>(Key{}, config, sink, plugMessage, notes);
    self->udev_.reset(udev_new());
    if (!self->udev_) {
        error = SystemError("udev is not available");
        return nullptr;
    }
    self->monitor_.reset(udev_monitor_new_from_netlink(self->udev_.get(), "udev"));
    if (!self->monitor_) {
        error = SystemError("no udev netlink monitor (is /run/udev or netlink unavailable here?)");
        return nullptr;
    }
    if (udev_monitor_filter_add_match_subsystem_devtype(self->monitor_.get(), SUBSYSTEM_HIDRAW,
                                                        nullptr) < 0 ||
        udev_monitor_enable_receiving(self->monitor_.get()) < 0) {
        error = SystemError("cannot receive udev events for hidraw");
        return nullptr;
    }
    // Events of the "udev" source come from the udev daemon, after its rules ran.
    if (::access(UDEV_CONTROL_SOCKET, F_OK) != 0) {
        warning = std::string("no udev daemon seems to run (no ") + UDEV_CONTROL_SOCKET +
                  "): plug events will not arrive";
    }
    self->stop_ = FileDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!self->stop_.Valid()) {
        error = SystemError("eventfd");
        return nullptr;
    }

    self->NotePresent();
    self->thread_ = std::thread([monitor = self.get()] { monitor->Run(); });
    return self;
}

// Mice may be plugged in already: their nodes are noted (each mouse keeps or gets
// its slot), so that unplugging one is reported. Nothing is posted for them; the
// tool opens their feature channels at start-up by itself.
void UdevMonitor::NotePresent() {
    const UdevEnumeratePtr enumerate(udev_enumerate_new(udev_.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), SUBSYSTEM_HIDRAW) < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return;  // what is there is not known: the slots stay as they are
    }
    std::vector<MouseInterface> present;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        const UdevDevicePtr device(
            udev_device_new_from_syspath(udev_.get(), udev_list_entry_get_name(entry)));
        if (device && IsMouse(device.get())) present.push_back(InterfaceOf(device.get()));
    }
    notes_.NotePresent(present);
}

UdevMonitor::~UdevMonitor() {
    if (thread_.joinable()) {
        const uint64_t one = 1;
        // The eventfd counter cannot overflow from one write; poll sees it at once.
        [[maybe_unused]] const ssize_t written = ::write(stop_.Get(), &one, sizeof one);
        thread_.join();
    }
}

void UdevMonitor::Run() {
    pollfd fds[2] = {{udev_monitor_get_fd(monitor_.get()), POLLIN, 0}, {stop_.Get(), POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
        if (fds[0].revents & POLLIN) {
            const UdevDevicePtr device(udev_monitor_receive_device(monitor_.get()));
            if (device) OnDevice(device.get());
        }
    }
}

void UdevMonitor::OnDevice(udev_device* device) {
    const std::string action = Text(udev_device_get_action(device));
    if (action == "add") {
        if (!IsMouse(device)) return;
        if (const auto slot = notes_.NoteArrival(InterfaceOf(device))) Post(1, *slot);
    } else if (action == "remove") {
        // The node's sysfs attributes are gone by now; the slots know its mouse.
        const std::string syspath = Text(udev_device_get_syspath(device));
        if (const auto slot = notes_.NoteRemoval(syspath)) Post(0, *slot);
    }
}

bool UdevMonitor::IsMouse(udev_device* device) const {
    std::optional<PathIds> ids;
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
    if (usb != nullptr) {
        const auto vendor = ParseHex16(Text(udev_device_get_sysattr_value(usb, "idVendor")));
        const auto product = ParseHex16(Text(udev_device_get_sysattr_value(usb, "idProduct")));
        if (vendor && product) {
            ids = PathIds{*vendor, *product, std::nullopt};
            udev_device* intf =
                udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_interface");
            if (intf != nullptr) {
                if (const auto number =
                        ParseHex16(Text(udev_device_get_sysattr_value(intf, "bInterfaceNumber")))) {
                    ids->interfaceNumber = *number;
                }
            }
        }
    }
    if (!ids) ids = ParseLinuxHidSysPath(Text(udev_device_get_syspath(device)));
    return ids && MatchesMouse(config_, *ids);
}

void UdevMonitor::Post(uintptr_t wParam, int slot) {
    sink_->post(sink_, plugMessage_, wParam, slot);
}

}  // namespace talun::hiddriver
