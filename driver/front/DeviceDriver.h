// The front of a driver library for a real mouse: everything but the platform.
//
// The public calls (the entry points) are written here once: the locks, reading
// hiddriver.ini beside the library, choosing the mouse's collection, checking the
// arguments, padding each report to the length the device wants, and the error
// text with its context (operation, report, device, the system's reason), and the
// slots of several mice. A backend derives from DeviceDriver and gives only the
// Platform... hooks: finding the HID collections (with the mouse each belongs
// to), opening one, moving one report, and the plug monitor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "driver/common/DeviceMatch.h"
#include "driver/common/DriverConfig.h"
#include "driver/front/HidDriver.h"
#include "driver/front/LastError.h"
#include "driver/front/SlotKeeper.h"

namespace talun::hiddriver {

// One open feature collection of the mouse, made by PlatformOpen.
class FeatureChannel {
  public:
    virtual ~FeatureChannel() = default;
    // How long the buffer for a report with this ID must be; a report shorter
    // than that is padded with zeros. 0: the tool's own length.
    virtual std::size_t PlatformBufferLength(uint8_t reportId) const = 0;
    // Moves one report: buffer holds the padded report to write, or receives the
    // report read. False, with the system's reason, when it did not move.
    virtual bool PlatformTransfer(bool write, std::vector<uint8_t>& buffer,
                                  std::string& reason) = 0;
};

// A running plug monitor; destroying it stops it and waits for its thread.
class PlugMonitor {
  public:
    virtual ~PlugMonitor() = default;
};

class DeviceDriver : public HidDriver {
  public:
    void OpenMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) final;
    void CloseMonitor() final;
    int OpenFeatureDevice() final;
    void CloseFeatureDevice() final;
    int SetFeature(unsigned char* report, int length) final;
    int GetFeature(unsigned char* report, int length) final;
    int ListDevices(char* text, int capacity) final;
    std::string LastErrorText() const final;
    void NoteException(const char* entryPoint, const std::string& what) final;

    // Several mice by slot (DeviceDriverSlots.cpp): every mouse of the configured
    // identifiers (the collections that share a mousePath) has a slot of its own
    // (SlotKeeper). Each slot has its own channel and lock, so that transfers of
    // different slots run at once; opening one takes the device lock.
    int OpenFeatureDeviceSlot(int slot) final;
    void CloseFeatureDeviceSlot(int slot) final;
    int SetFeatureSlot(int slot, unsigned char* report, int length) final;
    int GetFeatureSlot(int slot, unsigned char* report, int length) final;
    int ListFeatureDeviceSlots(int* slots, int capacity) final;
    // The port and serial of the slot's mouse (PlatformIdentify), and its path.
    std::optional<MouseIdentity> SlotIdentity(int slot) final;
    std::string LastErrorTextSlot(int slot) const final;

  protected:
    // hiddriver.ini is read from configDirectory (ending in a separator).
    explicit DeviceDriver(std::string configDirectory);
    // Stops the monitor and closes the channel: for a backend whose destructor
    // must see them gone before it releases the platform.
    void CloseAll();

    // Every HID collection of this vendor and product (0, 0: of every device),
    // each with its mousePath where the platform knows it. A failure sets error;
    // collections found before it still count. Called with the device lock held.
    virtual std::vector<HidCandidate> PlatformEnumerate(uint16_t vendorId, uint16_t productId,
                                                        std::string& error) = 0;
    // Opens the chosen collection for feature reports; nullptr, with error set,
    // when that fails. Called with the device lock held.
    virtual std::unique_ptr<FeatureChannel> PlatformOpen(const HidCandidate& chosen,
                                                         std::string& error) = 0;
    // Where the mouse of this collection is plugged in and its serial (path left
    // to the front); empty fields where the platform cannot tell. Called with the
    // device lock held.
    virtual MouseIdentity PlatformIdentify(const HidCandidate& collection) = 0;
    // Why the monitor cannot deliver to this window, or empty.
    virtual std::string PlatformCheckWindow(HidWindow window) const = 0;
    // Starts watching for the configured mouse (identifiers 0000 when none is
    // configured: nothing matches). The monitor keeps the slots: it tells notes
    // of the matching interfaces there at its start and of each that comes or
    // goes (with the same mousePath as PlatformEnumerate's), and posts the plug
    // message with lParam = the slot that notes returns. nullptr, with error set,
    // when it cannot start; warning says why a running monitor may hear nothing.
    virtual std::unique_ptr<PlugMonitor> PlatformStartMonitor(
        const DriverConfig& config, HidWindow window, unsigned plugMessage, MouseSlotNotes& notes,
        std::string& error, std::string& warning) = 0;

  private:
    ConfigResult LoadConfig() const;
    int MoveFeature(const char* name, unsigned char* report, int length, bool write);
    // One report through channel (nullptr: not open), for error texts at path;
    // a failure's text goes to the library's error and to slotError, if any.
    int MoveOn(const std::string& name, FeatureChannel* channel, const std::string& path,
               unsigned char* report, int length, bool write, LastError* slotError = nullptr);

    // The feature channel of one slot; its lock is held for each call on it.
    struct SlotChannel {
        std::mutex mutex;
        std::unique_ptr<FeatureChannel> channel;  // guarded by mutex
        std::string path;                         // guarded by mutex
        LastError lastError;                      // the slot's own reason; locks itself
    };
    SlotChannel* FindSlotChannel(int slot) const;
    SlotChannel& MakeSlotChannel(int slot);
    void CloseSlotChannels();
    // The configured mouse's collections, after bringing the slots up to date
    // where no monitor keeps them. Device lock held.
    std::vector<HidCandidate> EnumerateMice(const DriverConfig& config, std::string& error);
    int MoveOnSlot(const char* name, int slot, unsigned char* report, int length, bool write);
    // The slot's reason, and the library's. Not with the slot's lock held.
    void SetSlotError(int slot, const std::string& text);

    const std::string configDirectory_;
    LastError lastError_;
    std::mutex deviceMutex_;
    std::unique_ptr<FeatureChannel> channel_;  // guarded by deviceMutex_
    std::string channelPath_;                  // guarded by deviceMutex_
    std::mutex monitorMutex_;
    std::unique_ptr<PlugMonitor> monitor_;  // guarded by monitorMutex_
    SlotKeeper slots_;
    // Taken after deviceMutex_, never while a slot's lock is held. Entries stay
    // until the driver goes, so a found one may be used after unlocking.
    mutable std::mutex slotChannelsMutex_;
    std::map<int, std::unique_ptr<SlotChannel>> slotChannels_;  // guarded by slotChannelsMutex_
};

}  // namespace talun::hiddriver
