// libhiddriver.so: the Linux backend of the driver front, over hidapi's hidraw
// backend (feature reports) and libudev (device monitor).
#include <fcntl.h>
#include <hidapi/hidapi.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "driver/front/DeviceDriver.h"
#include "driver/linux/HidrawDevices.h"
#include "driver/linux/UdevHandles.h"
#include "driver/linux/UdevMonitor.h"
#include "platform/LibraryDirectory.h"

namespace talun::hiddriver {
namespace {

constexpr const char* UDEV_RULE_FILE = "70-talun-r5.rules";

struct HidClose {
    void operator()(hid_device* p) const { hid_close(p); }
};
using HidDevicePtr = std::unique_ptr<hid_device, HidClose>;

std::string HidError(hid_device* device) {
    const std::string text = NarrowText(hid_error(device));
    return text.empty() ? "no reason given" : text;
}

// Why hid_open_path failed: hidapi's text loses errno, so try the node directly.
std::string OpenFailure(const std::string& path) {
    const FileDescriptor probe(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!probe.Valid() && (errno == EACCES || errno == EPERM)) {
        return "permission denied on " + path + ": install the udev rule " + UDEV_RULE_FILE +
               " with the mouse's identifiers (see README.md), then unplug and plug in the mouse";
    }
    if (!probe.Valid()) return "cannot open " + path + ": " + std::strerror(errno);
    return "hidapi cannot open " + path + ": " + HidError(nullptr);
}

// An open hidraw node. Its buffers are as long as the descriptor declares the
// report with that ID, where it declares a longer one.
class HidrawChannel final : public FeatureChannel {
  public:
    HidrawChannel(HidDevicePtr device, const std::string& path)
        : device_(std::move(device)), descriptor_(ReadHidrawDescriptor(path)) {}

    std::size_t PlatformBufferLength(uint8_t reportId) const override {
        return FeatureLengthForReportId(descriptor_, reportId);
    }

    bool PlatformTransfer(bool write, std::vector<uint8_t>& buffer, std::string& reason) override {
        const int result =
            write ? hid_send_feature_report(device_.get(), buffer.data(), buffer.size())
                  : hid_get_feature_report(device_.get(), buffer.data(), buffer.size());
        if (result >= 0) return true;
        reason = HidError(device_.get());
        return false;
    }

  private:
    HidDevicePtr device_;
    ReportDescriptorInfo descriptor_;
};

class LinuxDriver final : public DeviceDriver {
  public:
    LinuxDriver() : DeviceDriver(LibraryDirectory()) {}
    ~LinuxDriver() override {
        CloseAll();  // hidapi's devices go before hidapi itself
        hid_exit();
    }

  private:
    std::vector<HidCandidate> PlatformEnumerate(uint16_t vendorId, uint16_t productId,
                                                std::string& error) override {
        return EnumerateHidraw(vendorId, productId, error);
    }

    std::unique_ptr<FeatureChannel> PlatformOpen(const HidCandidate& chosen,
                                                 std::string& error) override {
        HidDevicePtr device(hid_open_path(chosen.path.c_str()));
        if (!device) {
            error = OpenFailure(chosen.path);
            return nullptr;
        }
        return std::make_unique<HidrawChannel>(std::move(device), chosen.path);
    }

    // The mouse path is the USB device's sysfs folder: its name is the port chain.
    MouseIdentity PlatformIdentify(const HidCandidate& collection) override {
        return LinuxUsbIdentity(collection.mousePath);
    }

    std::string PlatformCheckWindow(HidWindow window) const override {
        const auto* sink = static_cast<HidEventSink*>(window);
        return sink == nullptr || sink->post == nullptr ? "no event sink given" : "";
    }

    std::unique_ptr<PlugMonitor> PlatformStartMonitor(const DriverConfig& config, HidWindow window,
                                                      unsigned plugMessage, MouseSlotNotes& notes,
                                                      std::string& error,
                                                      std::string& warning) override {
        return UdevMonitor::Start(config, static_cast<HidEventSink*>(window), plugMessage, notes,
                                  error, warning);
    }
};

}  // namespace

HidDriver& TheDriver() {
    static LinuxDriver driver;
    return driver;
}

}  // namespace talun::hiddriver
