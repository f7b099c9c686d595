/* The C interface of a HID driver library (hiddriver.dll / libhiddriver.so).
 *
 * The tool loads such a library at run time from its own directory and binds the
 * six entry points below by name. Any library that exports them with these
 * arguments and results can take the place of another: the simulated mouse, the
 * Windows HID driver and the Linux hidraw driver all do.
 *
 * Plain C so that it can be implemented and consumed from either language.
 */
#ifndef TALUN_DEVICE_HIDDRIVERAPI_H
#define TALUN_DEVICE_HIDDRIVERAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Where the device monitor delivers its two messages.
 *
 * On Windows this is the HWND of the window that receives the messages; the
 * monitor posts them with PostMessage. Elsewhere there are no window handles: it
 * points at a HidEventSink, whose post function the monitor calls from its own
 * thread. */
typedef void* HidWindow;

typedef struct HidEventSink HidEventSink;
struct HidEventSink {
    /* Called from the monitor's thread. message is the input or plug message
     * number handed to Open_DevMonitor; wParam and lParam as on Windows. */
    void (*post)(HidEventSink* self, unsigned message, uintptr_t wParam, intptr_t lParam);
};

/* The monitor's two messages, the numbers the tool hands to Open_DevMonitor
 * (WM_USER + 301 and + 302): input events and plug events. */
#define WM_HID_INPUT_EVENT 1325u
#define WM_HID_PLUG_EVENT 1326u

#if defined(_WIN32)
#define HIDDRIVER_EXPORT __declspec(dllexport)
#else
#define HIDDRIVER_EXPORT __attribute__((visibility("default")))
#endif

/* The calling convention of a library's entry points, written between the
 * result and the name. On 32-bit Windows a library may use __cdecl or __stdcall
 * (with undecorated names): the tool calls either kind correctly
 * (platform/EntryPoint.h), and a library is built with __stdcall when
 * HIDDRIVER_STDCALL is defined. Elsewhere there is one convention. The types
 * below are those of a __cdecl library. */
#if defined(_WIN32) && defined(__i386__) && defined(HIDDRIVER_STDCALL)
#define HIDDRIVER_CALL __stdcall
#else
#define HIDDRIVER_CALL
#endif

/* Entry-point signatures, in the order in which the tool resolves them. */
typedef void (*OpenDevMonitorFn)(HidWindow window, unsigned inputMessage, unsigned plugMessage);
typedef void (*CloseDevMonitorFn)(void);
typedef int (*OpenFeatureDeviceFn)(void); /* nonzero: the feature channel is open */
typedef void (*CloseFeatureDeviceFn)(void);
/* byte 0 is the report ID; length counts it. Nonzero: written. */
typedef int (*SetFeatureFn)(unsigned char* report, int length);
/* byte 0 holds the wanted ID on entry. Nonzero: read; the report then stands in
 * the buffer from byte 0 on. */
typedef int (*GetFeatureFn)(unsigned char* report, int length);

/* Optional, not one of the six: lists the HID devices the library can see.
 * Writes one line per device ("vid:pid usage-page:usage path" style, library's
 * choice) into text, NUL-terminated, at most capacity bytes including the NUL.
 * Returns the number of devices listed, or -1 when listing is not possible. */
typedef int (*ListDevicesFn)(char* text, int capacity);

/* Optional: why the library's last call failed, NUL-terminated into text (at
 * most capacity bytes); empty text after a success. Returns the text's length. */
typedef int (*LastErrorTextFn)(char* text, int capacity);

/* Optional, exported only by the simulated mouse's library: returns nonzero.
 * A placeholder firmware image is written only through such a library. */
typedef int (*IsSimulatorFn)(void);

/* Optional, all four together: several mice by slot.
 *
 * A library that can tell mice apart gives each plugged mouse a slot number, 0
 * or more, that stays the mouse's for as long as it stays plugged in (a slot
 * freed by an unplug may go to the next mouse). Its monitor then posts the plug
 * message once per mouse, wParam 1 or 0 as always and lParam the slot; a library
 * of one mouse posts lParam 0. The six entry points above keep meaning "the one
 * mouse" (a library of several chooses one of the mice plugged in for them when
 * the feature channel opens), so a front end of one mouse works with either kind
 * of library; such a front end takes the mice as one that is plugged in while any
 * is (update/DeviceEvents.h, OneMousePlugs).
 *
 * Open_FeatureDeviceSlot: opens the feature channel of the mouse in slot;
 *   nonzero when open (an open channel of that slot is closed first). 0 for a
 *   slot that holds no mouse.
 * Close_FeatureDeviceSlot: closes it; harmless when it is not open.
 * SetFeatureSlot, GetFeatureSlot: as SetFeature and GetFeature, on that slot's
 *   channel; 0 when it is not open. Calls for different slots may come from
 *   different threads at once; calls for one slot come one at a time. */
typedef int (*OpenFeatureDeviceSlotFn)(int slot);
typedef void (*CloseFeatureDeviceSlotFn)(int slot);
typedef int (*SetFeatureSlotFn)(int slot, unsigned char* report, int length);
typedef int (*GetFeatureSlotFn)(int slot, unsigned char* report, int length);

/* Optional, with the four above: the slots that hold a mouse now, in rising
 * order, at most capacity of them into slots. Returns how many there are (more
 * than capacity when they did not all fit), or -1 without a buffer or when the
 * library cannot tell mice apart now (a simulator of one mouse says so): the
 * tool then takes it for a library of one mouse. */
typedef int (*ListFeatureDeviceSlotsFn)(int* slots, int capacity);

#ifdef __cplusplus
}
#endif

#endif
