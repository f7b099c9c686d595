#include "driver/front/DeviceDriver.h"

#include "driver/common/FeatureReport.h"

namespace talun::hiddriver {

DeviceDriver::DeviceDriver(std::string configDirectory)
    : configDirectory_(std::move(configDirectory)) {}

void DeviceDriver::CloseAll() {
    {
        std::lock_guard<std::mutex> lock(monitorMutex_);
        monitor_.reset();
        slots_.SetKeptByMonitor(false);
    }
    std::lock_guard<std::mutex> lock(deviceMutex_);
    channel_.reset();
    CloseSlotChannels();
}

ConfigResult DeviceDriver::LoadConfig() const {
    return LoadDriverConfig(configDirectory_ + CONFIG_FILE_NAME);
}

int DeviceDriver::OpenFeatureDevice() {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    channel_.reset();
    channelPath_.clear();

    const ConfigResult config = LoadConfig();
    if (!config.config) {
        lastError_.Set("Open_FeatureDevice: " + config.error);
        return 0;
    }
    std::string error;
    const std::vector<HidCandidate> candidates =
        PlatformEnumerate(config.config->vendorId, config.config->productId, error);
    const Selection selection = SelectFeatureDevice(*config.config, candidates);
    if (!selection.index) {
        lastError_.Set("Open_FeatureDevice: " + (error.empty() ? selection.error : error));
        return 0;
    }
    const HidCandidate& chosen = candidates[*selection.index];
    std::unique_ptr<FeatureChannel> channel = PlatformOpen(chosen, error);
    if (!channel) {
        lastError_.Set("Open_FeatureDevice: " + error);
        return 0;
    }
    channel_ = std::move(channel);
    channelPath_ = chosen.path;
    lastError_.Clear();
    return 1;
}

void DeviceDriver::CloseFeatureDevice() {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    channel_.reset();
    channelPath_.clear();
    lastError_.Clear();
}

int DeviceDriver::SetFeature(unsigned char* report, int length) {
    return MoveFeature("SetFeature", report, length, true);
}

int DeviceDriver::GetFeature(unsigned char* report, int length) {
    return MoveFeature("GetFeature", report, length, false);
}

// Both directions: the tool's bytes go into a zero-padded buffer of the length
// the device wants, and a read copies the tool's length back. The byte count the
// system reports is not looked at: it differs between systems.
int DeviceDriver::MoveFeature(const char* name, unsigned char* report, int length, bool write) {
    std::lock_guard<std::mutex> lock(deviceMutex_);
    return MoveOn(name, channel_.get(), channelPath_, report, length, write);
}

int DeviceDriver::MoveOn(const std::string& name, FeatureChannel* channel, const std::string& path,
                         unsigned char* report, int length, bool write, LastError* slotError) {
    const auto note = [&](const std::string& text) {
        lastError_.Set(text);
        if (slotError != nullptr) slotError->Set(text);
        return 0;
    };
    const std::string bad = CheckReportArguments(report, length);
    if (!bad.empty()) return note(name + ": " + bad);
    if (channel == nullptr) return note(name + ": the feature device is not open");
    std::vector<uint8_t> buffer =
        PadReport(report, length, channel->PlatformBufferLength(report[0]));
    std::string reason;
    if (!channel->PlatformTransfer(write, buffer, reason)) {
        return note(name + " " + DescribeReport(report, length) + " (buffer " +
                    std::to_string(buffer.size()) + " bytes) on " + path + ": " +
                    (reason.empty() ? "no reason given" : reason));
    }
    if (!write) CopyReportBack(buffer, report, length);
    note("");
    return 1;
}

void DeviceDriver::OpenMonitor(HidWindow window, unsigned /*inputMessage*/, unsigned plugMessage) {
    std::lock_guard<std::mutex> lock(monitorMutex_);
    monitor_.reset();
    slots_.SetKeptByMonitor(false);
    const std::string refused = PlatformCheckWindow(window);
    if (!refused.empty()) {
        lastError_.Set("Open_DevMonitor: " + refused);
        return;
    }
    // Without a configured mouse the monitor still runs (and opens and closes
    // cleanly), but nothing it sees matches; the reason stays in the error text.
    const ConfigResult config = LoadConfig();
    std::string error;
    std::string warning;
    // Kept by the monitor from before its first look, so that no enumeration
    // slips a mouse in between that the monitor would then not report.
    slots_.SetKeptByMonitor(true);
    monitor_ = PlatformStartMonitor(config.config.value_or(DriverConfig{}), window, plugMessage,
                                    slots_, error, warning);
    if (!monitor_) slots_.SetKeptByMonitor(false);
    if (!monitor_) {
        lastError_.Set("Open_DevMonitor: " + error + "; plug events will not be reported");
    } else if (!config.config) {
        lastError_.Set("Open_DevMonitor: watching, but " + config.error);
    } else if (!warning.empty()) {
        lastError_.Set("Open_DevMonitor: watching, but " + warning);
    } else {
        lastError_.Clear();
    }
}

void DeviceDriver::CloseMonitor() {
    std::lock_guard<std::mutex> lock(monitorMutex_);
    monitor_.reset();
    slots_.SetKeptByMonitor(false);
}

int DeviceDriver::ListDevices(char* text, int capacity) {
    std::lock_guard<std::mutex> lock(deviceMutex_);  // some platform libraries keep global state
    std::string error;
    const std::vector<HidCandidate> candidates = PlatformEnumerate(0, 0, error);
    if (!error.empty() && candidates.empty()) {
        lastError_.Set("List_HidDevices: " + error);
        CopyText("", text, capacity);
        return -1;
    }
    lastError_.Clear();
    return WriteDeviceList(candidates, text, capacity);
}

std::string DeviceDriver::LastErrorText() const {
    return lastError_.Get();
}

void DeviceDriver::NoteException(const char* entryPoint, const std::string& what) {
    lastError_.Set(std::string(entryPoint) + ": " + what);
}

}  // namespace talun::hiddriver
