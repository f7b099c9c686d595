// hiddriver.dll: the Windows backend of the driver front, on SetupAPI and the
// HID API.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/front/DeviceDriver.h"
#include "driver/win32/DeviceMonitor.h"
#include "driver/win32/HidInterfaces.h"
#include "driver/win32/WinHandles.h"
#include "platform/LibraryDirectory.h"

namespace talun::hiddriver {
namespace {

// An open HID collection. Windows wants every feature buffer as long as the
// collection's longest feature report, whatever the report ID.
class HidChannel final : public FeatureChannel {
  public:
    HidChannel(UniqueFileHandle device, std::size_t featureReportByteLength)
        : device_(std::move(device)), featureReportByteLength_(featureReportByteLength) {}

    std::size_t PlatformBufferLength(uint8_t /*reportId*/) const override {
        return featureReportByteLength_;
    }

    bool PlatformTransfer(bool write, std::vector<uint8_t>& buffer, std::string& reason) override {
        const ULONG size = static_cast<ULONG>(buffer.size());
        const BOOLEAN moved = write ? ::HidD_SetFeature(device_.Get(), buffer.data(), size)
                                    : ::HidD_GetFeature(device_.Get(), buffer.data(), size);
        if (moved) return true;
        reason = SystemErrorText(::GetLastError());
        return false;
    }

  private:
    UniqueFileHandle device_;
    std::size_t featureReportByteLength_;
};

class Win32Driver final : public DeviceDriver {
  public:
    Win32Driver() : DeviceDriver(LibraryDirectory()) {}

  private:
    std::vector<HidCandidate> PlatformEnumerate(uint16_t vendorId, uint16_t productId,
                                                std::string& error) override {
        return EnumerateHidInterfaces(vendorId, productId, error);
    }

    std::unique_ptr<FeatureChannel> PlatformOpen(const HidCandidate& chosen,
                                                 std::string& error) override {
        UniqueFileHandle device = OpenHidInterface(chosen.path, error);
        if (!device.Valid()) return nullptr;
        return std::make_unique<HidChannel>(std::move(device), chosen.featureReportByteLength);
    }

    MouseIdentity PlatformIdentify(const HidCandidate& collection) override {
        return UsbIdentity(collection.path, collection.mousePath);
    }

    std::string PlatformCheckWindow(HidWindow window) const override {
        return window == nullptr ? "no window given" : "";
    }

    std::unique_ptr<PlugMonitor> PlatformStartMonitor(const DriverConfig& config, HidWindow window,
                                                      unsigned plugMessage, MouseSlotNotes& notes,
                                                      std::string& error,
                                                      std::string& /*warning*/) override {
        return DeviceMonitor::Start(config, static_cast<HWND>(window), plugMessage, notes, error);
    }
};

}  // namespace

HidDriver& TheDriver() {
    static Win32Driver driver;
    return driver;
}

}  // namespace talun::hiddriver
