// libhiddriver.so: the driver library's entry points on Linux, over hidapi's
// hidraw backend (feature reports) and libudev (device monitor).
//
// The C interface leaves one driver instance per process; it lives in Driver().
// The feature channel and the monitor have a lock each, so a plug event can be
// delivered while a report is being moved.
#include <dlfcn.h>
#include <fcntl.h>
#include <hidapi/hidapi.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

#include "device/HidDriverApi.h"
#include "driver/common/DeviceMatch.h"
#include "driver/common/DriverConfig.h"
#include "driver/common/FeatureReport.h"
#include "driver/common/LastError.h"
#include "driver/common/ReportDescriptor.h"
#include "driver/linux/HidrawDevices.h"
#include "driver/linux/UdevHandles.h"
#include "driver/linux/UdevMonitor.h"

namespace talun::hiddriver {
namespace {

constexpr const char* UDEV_RULE_FILE = "70-talun-r5.rules";

struct HidClose {
    void operator()(hid_device* p) const { hid_close(p); }
};
using HidDevicePtr = std::unique_ptr<hid_device, HidClose>;

struct FeatureChannel {
    HidDevicePtr device;
    std::string path;
    ReportDescriptorInfo descriptor;
};

struct LinuxDriver {
    LastError lastError;
    std::mutex deviceMutex;
    FeatureChannel channel;  // guarded by deviceMutex
    std::mutex monitorMutex;
    std::unique_ptr<UdevMonitor> monitor;  // guarded by monitorMutex

    ~LinuxDriver() {
        monitor.reset();
        channel.device.reset();
        hid_exit();
    }
};

LinuxDriver& Driver() {
    static LinuxDriver driver;
    return driver;
}

// The directory that holds this library, with a trailing slash.
std::string LibraryDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 ||
        info.dli_fname == nullptr) {
        return "./";
    }
    const std::string file = info.dli_fname;
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? "./" : file.substr(0, slash + 1);
}

ConfigResult LoadConfig() {
    return LoadDriverConfig(LibraryDirectory() + CONFIG_FILE_NAME);
}

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

int OpenFeatureDevice() {
    LinuxDriver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.deviceMutex);
    driver.channel = FeatureChannel{};

    const ConfigResult config = LoadConfig();
    if (!config.config) {
        driver.lastError.Set("Open_FeatureDevice: " + config.error);
        return 0;
    }
    std::string error;
    const std::vector<HidCandidate> candidates =
        EnumerateHidraw(config.config->vendorId, config.config->productId, error);
    if (!error.empty()) {
        driver.lastError.Set("Open_FeatureDevice: " + error);
        return 0;
    }
    const Selection selection = SelectFeatureDevice(*config.config, candidates);
    if (!selection.index) {
        driver.lastError.Set("Open_FeatureDevice: " + selection.error);
        return 0;
    }
    const std::string& path = candidates[*selection.index].path;
    HidDevicePtr device(hid_open_path(path.c_str()));
    if (!device) {
        driver.lastError.Set("Open_FeatureDevice: " + OpenFailure(path));
        return 0;
    }
    driver.channel.device = std::move(device);
    driver.channel.path = path;
    driver.channel.descriptor = ReadHidrawDescriptor(path);
    driver.lastError.Clear();
    return 1;
}

void CloseFeatureDevice() {
    LinuxDriver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.deviceMutex);
    driver.channel = FeatureChannel{};
    driver.lastError.Clear();
}

// Both directions: the tool's bytes in a buffer of the length that the device
// declares for this report ID (when it declares a longer one).
int MoveFeature(unsigned char* report, int length, bool write) {
    const char* name = write ? "SetFeature" : "GetFeature";
    LinuxDriver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.deviceMutex);
    const std::string bad = CheckReportArguments(report, length);
    if (!bad.empty()) {
        driver.lastError.Set(std::string(name) + ": " + bad);
        return 0;
    }
    if (!driver.channel.device) {
        driver.lastError.Set(std::string(name) + ": the feature device is not open");
        return 0;
    }
    std::vector<uint8_t> buffer =
        PadReport(report, length, FeatureLengthForReportId(driver.channel.descriptor, report[0]));
    hid_device* device = driver.channel.device.get();
    const int result = write ? hid_send_feature_report(device, buffer.data(), buffer.size())
                             : hid_get_feature_report(device, buffer.data(), buffer.size());
    if (result < 0) {
        driver.lastError.Set(std::string(name) + " " + DescribeReport(report, length) + " on " +
                             driver.channel.path + ": " + HidError(device));
        return 0;
    }
    if (!write) CopyReportBack(buffer, report, length);
    driver.lastError.Clear();
    return 1;
}

void OpenDevMonitor(HidWindow window, unsigned plugMessage) {
    LinuxDriver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.monitorMutex);
    driver.monitor.reset();
    auto* sink = static_cast<HidEventSink*>(window);
    if (sink == nullptr || sink->post == nullptr) {
        driver.lastError.Set("Open_DevMonitor: no event sink given");
        return;
    }
    // Without a configured mouse the monitor still runs (and opens and closes
    // cleanly), but nothing it sees matches; the reason stays in the error text.
    const ConfigResult config = LoadConfig();
    DriverConfig watched = config.config.value_or(DriverConfig{});
    std::string error;
    std::string warning;
    driver.monitor = UdevMonitor::Start(watched, sink, plugMessage, error, warning);
    if (!driver.monitor) {
        driver.lastError.Set("Open_DevMonitor: " + error + "; plug events will not be reported");
    } else if (!config.config) {
        driver.lastError.Set("Open_DevMonitor: watching, but " + config.error);
    } else if (!warning.empty()) {
        driver.lastError.Set("Open_DevMonitor: watching, but " + warning);
    } else {
        driver.lastError.Clear();
    }
}

void CloseDevMonitor() {
    LinuxDriver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.monitorMutex);
    driver.monitor.reset();
}

int ListDevices(char* text, int capacity) {
    LinuxDriver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.deviceMutex);  // hidapi keeps global state
    std::string error;
    const std::vector<HidCandidate> candidates = EnumerateHidraw(0, 0, error);
    if (!error.empty()) {
        driver.lastError.Set("List_HidDevices: " + error);
        CopyText("", text, capacity);
        return -1;
    }
    driver.lastError.Clear();
    return WriteDeviceList(candidates, text, capacity);
}

}  // namespace
}  // namespace talun::hiddriver

using namespace talun::hiddriver;

extern "C" {

HIDDRIVER_EXPORT void Open_DevMonitor(HidWindow window, unsigned /*inputMessage*/,
                                      unsigned plugMessage) {
    OpenDevMonitor(window, plugMessage);
}

HIDDRIVER_EXPORT void Close_DevMonitor(void) {
    CloseDevMonitor();
}

HIDDRIVER_EXPORT int Open_FeatureDevice(void) {
    return OpenFeatureDevice();
}

HIDDRIVER_EXPORT void Close_FeatureDevice(void) {
    CloseFeatureDevice();
}

HIDDRIVER_EXPORT int SetFeature(unsigned char* report, int length) {
    return MoveFeature(report, length, true);
}

HIDDRIVER_EXPORT int GetFeature(unsigned char* report, int length) {
    return MoveFeature(report, length, false);
}

HIDDRIVER_EXPORT int List_HidDevices(char* text, int capacity) {
    return ListDevices(text, capacity);
}

HIDDRIVER_EXPORT int Get_LastErrorText(char* text, int capacity) {
    return CopyText(Driver().lastError.Get(), text, capacity);
}

}  // extern "C"
