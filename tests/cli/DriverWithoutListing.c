/* A driver library with the six entry points and nothing else, that never finds
 * a mouse: for a library that cannot list devices and does not say that it is
 * the simulated mouse. */
#include "device/HidDriverApi.h"

HIDDRIVER_EXPORT void Open_DevMonitor(HidWindow window, unsigned inputMessage,
                                      unsigned plugMessage) {
    (void)window;
    (void)inputMessage;
    (void)plugMessage;
}

HIDDRIVER_EXPORT void Close_DevMonitor(void) {}

HIDDRIVER_EXPORT int Open_FeatureDevice(void) {
    return 0;
}

HIDDRIVER_EXPORT void Close_FeatureDevice(void) {}

HIDDRIVER_EXPORT int SetFeature(unsigned char* report, int length) {
    (void)report;
    (void)length;
    return 0;
}

HIDDRIVER_EXPORT int GetFeature(unsigned char* report, int length) {
    (void)report;
    (void)length;
    return 0;
}
