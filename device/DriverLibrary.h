// Binding of the driver library: its module and the six entry-point slots.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "device/DeviceAccess.h"
#include "driver/api/HidDriverApi.h"
#include "platform/EntryPoint.h"
#include "platform/LibraryLoader.h"

namespace talun {

// A slot for each entry point of the contract's list, named as the entry point.
// Each is called through EntryPoint, which keeps the stack whole whichever
// calling convention the library uses.
struct DriverEntryPoints {
#define TALUN_DRIVER_SLOT(name, type, result, parameters, need) EntryPoint<type> name;
    HIDDRIVER_ENTRY_POINTS(TALUN_DRIVER_SLOT)
#undef TALUN_DRIVER_SLOT
};

// The loaded driver library. An empty slot is never called: its operation does
// nothing and counts as failed (result 0).
class DriverLibrary final : public DeviceAccess {
  public:
    DriverLibrary() = default;
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    // Loads the library at fullPath and resolves every slot, found or not.
    // 1 when the library loaded, 0 when it did not (then nothing is resolved).
    // No path (it did not fit the platform's limit) counts as a library that
    // does not load.
    int Load(LibraryLoader& loader, const std::optional<std::string>& fullPath);
    // Releases the library; every slot is empty afterwards.
    void Unload();

    bool IsLoaded() const { return module_ != nullptr; }
    // True only for the simulated mouse's library.
    bool IsSimulator() const;
    // The library's own reason for its last failure; empty when it has none.
    std::string LastErrorText() const;
    // The library's reason for the last failure of that slot's mouse; empty when
    // it has none or cannot say (it never gives another mouse's reason).
    std::string LastErrorTextSlot(int slot) const;
    const DriverEntryPoints& Slots() const { return slots_; }
    // True when the library offers all five slot entry points: it can tell mice apart.
    bool HasMouseSlots() const;
    // Why the last Load failed, or which of the six entry points are missing.
    std::string Problem() const;

    void OpenDevMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) override;
    void CloseDevMonitor() override;
    int OpenFeatureDevice() override;
    void CloseFeatureDevice() override;
    int SetFeature(uint8_t* report, int length) override;
    int GetFeature(uint8_t* buffer, int length) override;

  private:
    std::unique_ptr<LoadedLibrary> module_;
    DriverEntryPoints slots_;
    std::string loadError_;
};

// directory + fileName, or nothing when the result would be longer than maxLength
// characters (a path that does not fit counts as a missing file).
std::optional<std::string> JoinBoundedPath(const std::string& directory,
                                           const std::string& fileName, std::size_t maxLength);

// Loads the driver library from its full path. 1 when loaded, else 0.
int LoadDriverLibrary(DriverLibrary& library, LibraryLoader& loader,
                      const std::optional<std::string>& fullPath);

// Opens the device monitor (directed at window, with the input and plug message
// numbers), then the feature device, whose result it returns.
int OpenDeviceAccess(DeviceAccess& device, HidWindow window);

// Closes the device monitor, then the feature device. Returns 1.
int CloseDeviceAccess(DeviceAccess& device);

}  // namespace talun
