/* A driver library that never finds a mouse: the six entry points and the
 * reason for the last failure, but no device listing, and it does not say that
 * it is the simulated mouse. */
#include <string.h>

#include "driver/api/HidDriverApi.h"

static const char kReason[] = "no HID device present (a driver library for tests)";

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

HIDDRIVER_EXPORT int Get_LastErrorText(char* text, int capacity) {
    if (text == NULL || capacity < 1) return 0;
    int n = (int)sizeof kReason - 1;
    if (n > capacity - 1) n = capacity - 1;
    memcpy(text, kReason, (size_t)n);
    text[n] = '\0';
    return n;
}
