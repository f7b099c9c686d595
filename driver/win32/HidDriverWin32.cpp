// hiddriver.dll: the driver library's entry points on the Windows HID API.
//
// The C interface leaves one driver instance per process; it lives in Driver().
// The feature channel and the monitor have a lock each, so a plug event can be
// delivered while a report is being moved.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/HidDriverApi.h"
#include "driver/common/DeviceMatch.h"
#include "driver/common/DriverConfig.h"
#include "driver/common/FeatureReport.h"
#include "driver/common/LastError.h"
#include "driver/win32/DeviceMonitor.h"
#include "driver/win32/HidInterfaces.h"
#include "driver/win32/WinHandles.h"

namespace talun::hiddriver {
namespace {

struct FeatureChannel {
    UniqueHandle device;
    std::string path;
    std::size_t featureReportByteLength = 0;
};

struct Win32Driver {
    LastError lastError;
    std::mutex deviceMutex;
    FeatureChannel channel;  // guarded by deviceMutex
    std::mutex monitorMutex;
    std::unique_ptr<DeviceMonitor> monitor;  // guarded by monitorMutex
};

Win32Driver& Driver() {
    static Win32Driver driver;
    return driver;
}

// The directory that holds this library, with a trailing backslash. No fixed
// path buffer: the module name is fetched until it fits.
std::string LibraryDirectory() {
    HMODULE module = nullptr;
    if (!::GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&LibraryDirectory), &module)) {
        return ".\\";
    }
    std::vector<char> name(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(module, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return ".\\";
        if (length < name.size()) {
            const std::string file(name.data(), length);
            const std::size_t slash = file.find_last_of("\\/");
            return slash == std::string::npos ? ".\\" : file.substr(0, slash + 1);
        }
        name.resize(name.size() * 2);
    }
}

ConfigResult LoadConfig() {
    return LoadDriverConfig(LibraryDirectory() + CONFIG_FILE_NAME);
}

int OpenFeatureDevice() {
    Win32Driver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.deviceMutex);
    driver.channel = FeatureChannel{};

    const ConfigResult config = LoadConfig();
    if (!config.config) {
        driver.lastError.Set("Open_FeatureDevice: " + config.error);
        return 0;
    }
    std::string error;
    const std::vector<HidCandidate> candidates =
        EnumerateHidInterfaces(config.config->vendorId, config.config->productId, error);
    const Selection selection = SelectFeatureDevice(*config.config, candidates);
    if (!selection.index) {
        driver.lastError.Set("Open_FeatureDevice: " + (error.empty() ? selection.error : error));
        return 0;
    }
    const HidCandidate& chosen = candidates[*selection.index];
    UniqueHandle device = OpenHidInterface(chosen.path, error);
    if (!device.Valid()) {
        driver.lastError.Set("Open_FeatureDevice: " + error);
        return 0;
    }
    driver.channel.device = std::move(device);
    driver.channel.path = chosen.path;
    driver.channel.featureReportByteLength = chosen.featureReportByteLength;
    driver.lastError.Clear();
    return 1;
}

void CloseFeatureDevice() {
    Win32Driver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.deviceMutex);
    driver.channel = FeatureChannel{};
    driver.lastError.Clear();
}

// Both directions: Windows wants the buffer as long as the collection's longest
// feature report, so the tool's bytes go into a zero-padded buffer of that length
// and a read copies the tool's length back. The byte count Windows moved is not
// looked at: it differs between systems.
int MoveFeature(unsigned char* report, int length, bool write) {
    const char* name = write ? "SetFeature" : "GetFeature";
    Win32Driver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.deviceMutex);
    const std::string bad = CheckReportArguments(report, length);
    if (!bad.empty()) {
        driver.lastError.Set(std::string(name) + ": " + bad);
        return 0;
    }
    if (!driver.channel.device.Valid()) {
        driver.lastError.Set(std::string(name) + ": the feature device is not open");
        return 0;
    }
    std::vector<uint8_t> buffer = PadReport(report, length, driver.channel.featureReportByteLength);
    const HANDLE device = driver.channel.device.Get();
    const ULONG size = static_cast<ULONG>(buffer.size());
    const BOOLEAN moved = write ? ::HidD_SetFeature(device, buffer.data(), size)
                                : ::HidD_GetFeature(device, buffer.data(), size);
    if (!moved) {
        driver.lastError.Set(std::string(name) + " " + DescribeReport(report, length) +
                             " (buffer " + std::to_string(size) + " bytes) on " +
                             driver.channel.path + ": " + SystemErrorText(::GetLastError()));
        return 0;
    }
    if (!write) CopyReportBack(buffer, report, length);
    driver.lastError.Clear();
    return 1;
}

void OpenDevMonitor(HidWindow window, unsigned plugMessage) {
    Win32Driver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.monitorMutex);
    driver.monitor.reset();
    const HWND target = static_cast<HWND>(window);
    if (target == nullptr) {
        driver.lastError.Set("Open_DevMonitor: no window given");
        return;
    }
    // Without a configured mouse the monitor still runs (and opens and closes
    // cleanly), but nothing it sees matches; the reason stays in the error text.
    const ConfigResult config = LoadConfig();
    std::string error;
    driver.monitor =
        DeviceMonitor::Start(config.config.value_or(DriverConfig{}), target, plugMessage, error);
    if (!driver.monitor) {
        driver.lastError.Set("Open_DevMonitor: " + error + "; plug events will not be reported");
    } else if (!config.config) {
        driver.lastError.Set("Open_DevMonitor: watching, but " + config.error);
    } else {
        driver.lastError.Clear();
    }
}

void CloseDevMonitor() {
    Win32Driver& driver = Driver();
    std::lock_guard<std::mutex> lock(driver.monitorMutex);
    driver.monitor.reset();
}

int ListDevices(char* text, int capacity) {
    Win32Driver& driver = Driver();
    std::string error;
    const std::vector<HidCandidate> candidates = EnumerateHidInterfaces(0, 0, error);
    if (!error.empty() && candidates.empty()) {
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
