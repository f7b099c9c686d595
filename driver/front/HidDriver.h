// What a driver library does behind its C entry points.
//
// The entry points (EntryPoints.cpp, and one file per optional entry point) are
// written once, for every library: each calls the library's one HidDriver,
// which its backend makes in TheDriver(), inside an exception guard. A library
// exports an optional entry point by linking that entry point's file (see
// CMakeLists.txt); a HidDriver without it keeps the default below.
#pragma once

#include <optional>
#include <string>

#include "driver/api/HidDriverApi.h"
#include "driver/common/MouseIdentity.h"

namespace talun::hiddriver {

class HidDriver {
  public:
    virtual ~HidDriver() = default;

    // The six entry points, with their C arguments and results.
    virtual void OpenMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) = 0;
    virtual void CloseMonitor() = 0;
    virtual int OpenFeatureDevice() = 0;
    virtual void CloseFeatureDevice() = 0;
    virtual int SetFeature(unsigned char* report, int length) = 0;
    virtual int GetFeature(unsigned char* report, int length) = 0;

    // List_HidDevices: -1 where the library cannot list.
    virtual int ListDevices(char* /*text*/, int /*capacity*/) { return -1; }
    // Get_LastErrorText: why the last call failed; empty after a success.
    virtual std::string LastErrorText() const { return {}; }
    // The slot entry points (SlotEntryPoints.cpp; contracts in
    // driver/api/HidDriverApi.h), for a library that can tell mice apart. These
    // defaults cannot: every slot is empty and the list says -1.
    virtual int OpenFeatureDeviceSlot(int /*slot*/) { return 0; }
    virtual void CloseFeatureDeviceSlot(int /*slot*/) {}
    virtual int SetFeatureSlot(int /*slot*/, unsigned char* /*report*/, int /*length*/) {
        return 0;
    }
    virtual int GetFeatureSlot(int /*slot*/, unsigned char* /*report*/, int /*length*/) {
        return 0;
    }
    virtual int ListFeatureDeviceSlots(int* /*slots*/, int /*capacity*/) { return -1; }
    // Get_FeatureDeviceSlotIdentity: where the mouse in the slot is plugged in,
    // its serial and path; nothing for a slot that holds no mouse.
    virtual std::optional<MouseIdentity> SlotIdentity(int /*slot*/) { return std::nullopt; }
    // Get_LastErrorTextSlot: why the last call for the slot failed; empty after
    // a success on it.
    virtual std::string LastErrorTextSlot(int /*slot*/) const { return {}; }
    // An entry point ended in a C++ exception (which never crosses the C
    // interface): the call counts as failed, and this says why.
    virtual void NoteException(const char* /*entryPoint*/, const std::string& /*what*/) {}
};

// The library's one driver, made on the first call. Each library defines it in
// its backend.
HidDriver& TheDriver();

}  // namespace talun::hiddriver
