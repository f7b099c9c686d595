// The six entry points of every driver library, with C linkage.
#include "driver/front/EntryGuard.h"
#include "driver/front/Exports.h"

using talun::hiddriver::Guarded;
using talun::hiddriver::HidDriver;

extern "C" {

HIDDRIVER_EXPORT void HIDDRIVER_CALL Open_DevMonitor(HidWindow window, unsigned inputMessage,
                                                     unsigned plugMessage) {
    Guarded("Open_DevMonitor", 0, [&](HidDriver& driver) {
        driver.OpenMonitor(window, inputMessage, plugMessage);
        return 0;
    });
}

HIDDRIVER_EXPORT void HIDDRIVER_CALL Close_DevMonitor(void) {
    Guarded("Close_DevMonitor", 0, [](HidDriver& driver) {
        driver.CloseMonitor();
        return 0;
    });
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL Open_FeatureDevice(void) {
    return Guarded("Open_FeatureDevice", 0,
                   [](HidDriver& driver) { return driver.OpenFeatureDevice(); });
}

HIDDRIVER_EXPORT void HIDDRIVER_CALL Close_FeatureDevice(void) {
    Guarded("Close_FeatureDevice", 0, [](HidDriver& driver) {
        driver.CloseFeatureDevice();
        return 0;
    });
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL SetFeature(unsigned char* report, int length) {
    return Guarded("SetFeature", 0,
                   [&](HidDriver& driver) { return driver.SetFeature(report, length); });
}

HIDDRIVER_EXPORT int HIDDRIVER_CALL GetFeature(unsigned char* report, int length) {
    return Guarded("GetFeature", 0,
                   [&](HidDriver& driver) { return driver.GetFeature(report, length); });
}

}  // extern "C"
