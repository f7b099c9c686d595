// A driver library whose slot 1 throws a C++ exception out of SetFeatureSlot,
// as a library written in C++ without a guard of its own may: every other call
// goes to the simulated mice of TALUN_SIM_DRIVER, loaded beside nothing else.
#include <dlfcn.h>

#include <stdexcept>

#include "driver/api/HidDriverApi.h"

namespace {

inline constexpr int THROWING_SLOT = 1;

void* Sim() {
    static void* const library = dlopen(TALUN_SIM_DRIVER, RTLD_NOW | RTLD_LOCAL);
    return library;
}

template <typename Fn>
Fn Entry(const char* name) {
    return Sim() ? reinterpret_cast<Fn>(dlsym(Sim(), name)) : nullptr;
}

}  // namespace

extern "C" {

HIDDRIVER_EXPORT void Open_DevMonitor(HidWindow window, unsigned input, unsigned plug) {
    Entry<OpenDevMonitorFn>("Open_DevMonitor")(window, input, plug);
}
HIDDRIVER_EXPORT void Close_DevMonitor(void) {
    Entry<CloseDevMonitorFn>("Close_DevMonitor")();
}
HIDDRIVER_EXPORT int Open_FeatureDevice(void) {
    return Entry<OpenFeatureDeviceFn>("Open_FeatureDevice")();
}
HIDDRIVER_EXPORT void Close_FeatureDevice(void) {
    Entry<CloseFeatureDeviceFn>("Close_FeatureDevice")();
}
HIDDRIVER_EXPORT int SetFeature(unsigned char* report, int length) {
    return Entry<SetFeatureFn>("SetFeature")(report, length);
}
HIDDRIVER_EXPORT int GetFeature(unsigned char* report, int length) {
    return Entry<GetFeatureFn>("GetFeature")(report, length);
}
HIDDRIVER_EXPORT int Open_FeatureDeviceSlot(int slot) {
    return Entry<OpenFeatureDeviceSlotFn>("Open_FeatureDeviceSlot")(slot);
}
HIDDRIVER_EXPORT void Close_FeatureDeviceSlot(int slot) {
    Entry<CloseFeatureDeviceSlotFn>("Close_FeatureDeviceSlot")(slot);
}
HIDDRIVER_EXPORT int SetFeatureSlot(int slot, unsigned char* report, int length) {
    if (slot == THROWING_SLOT) throw std::runtime_error("slot 1 threw out of SetFeatureSlot");
    return Entry<SetFeatureSlotFn>("SetFeatureSlot")(slot, report, length);
}
HIDDRIVER_EXPORT int GetFeatureSlot(int slot, unsigned char* report, int length) {
    return Entry<GetFeatureSlotFn>("GetFeatureSlot")(slot, report, length);
}
HIDDRIVER_EXPORT int List_FeatureDeviceSlots(int* slots, int capacity) {
    return Entry<ListFeatureDeviceSlotsFn>("List_FeatureDeviceSlots")(slots, capacity);
}

}  // extern "C"
