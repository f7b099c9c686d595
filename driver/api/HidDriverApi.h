/* The C interface of a HID driver library (hiddriver.dll / libhiddriver.so).
 *
 * The tool loads such a library at run time from its own directory and binds the
 * six entry points below by name. Any library that exports them with these
 * arguments and results can take the place of another: the simulated mouse, the
 * Windows HID driver and the Linux hidraw driver all do.
 *
 * Plain C so that it can be implemented and consumed from either language.
 */
#ifndef TALUN_DRIVER_API_HIDDRIVERAPI_H
#define TALUN_DRIVER_API_HIDDRIVERAPI_H

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

/* What each entry point does.
 *
 * The six:
 * Open_DevMonitor: starts watching for the mouse; the monitor posts the plug
 *   message (wParam 1 plugged in, 0 unplugged) and the input message to window.
 * Close_DevMonitor: stops it.
 * Open_FeatureDevice: nonzero when the feature channel is open.
 * Close_FeatureDevice: closes it.
 * SetFeature: byte 0 is the report ID; length counts it. Nonzero: written.
 * GetFeature: byte 0 holds the wanted ID on entry. Nonzero: read; the report
 *   then stands in the buffer from byte 0 on.
 *
 * Optional, resolved like the six and never required:
 * List_HidDevices: lists the HID devices the library can see. Writes one line
 *   per device ("vid:pid usage-page:usage path" style, library's choice) into
 *   text, NUL-terminated, at most capacity bytes including the NUL. Returns the
 *   number of devices listed, or -1 when listing is not possible.
 * HidDriver_IsSimulator: exported only by the simulated mouse's library;
 *   returns nonzero. A placeholder firmware image is written only through such
 *   a library.
 * Get_LastErrorText: why the library's last call failed, NUL-terminated into
 *   text (at most capacity bytes); empty text after a success. Returns the
 *   text's length.
 *
 * Optional, the five together: several mice by slot.
 *
 * A library that can tell mice apart gives each plugged mouse a slot number, 0
 * or more, that stays the mouse's for as long as it stays plugged in (a slot
 * freed by an unplug may go to the next mouse). Its monitor then posts the plug
 * message once per mouse, wParam 1 or 0 as always and lParam the slot; a library
 * of one mouse posts lParam 0. The six entry points keep meaning "the one
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
 *   different threads at once; calls for one slot come one at a time.
 * List_FeatureDeviceSlots: the slots that hold a mouse now, in rising order, at
 *   most capacity of them into slots. Returns how many there are (more than
 *   capacity when they did not all fit), or -1 without a buffer or when the
 *   library cannot tell mice apart now (a simulator of one mouse says so): the
 *   tool then takes it for a library of one mouse.
 *
 * Optional, beside the slot entry points:
 * Get_FeatureDeviceSlotIdentity: the identity of the mouse in slot, as text
 *   into text (at most capacity bytes including the NUL), one "key=value" line
 *   per thing known: port (the physical place on the host, stable while the hub
 *   is wired the same way: "1-1.4" on Linux, "Port_#0004.Hub_#0003" on
 *   Windows), serial (the mouse's USB serial string) and path (the system's
 *   path of the mouse). A key whose value is unknown is left out; values hold
 *   no line ends; a reader passes over keys it does not know. Returns the
 *   text's length, or -1 without a buffer or when the slot holds no mouse.
 * Get_LastErrorTextSlot: why the last call for slot failed
 *   (Open_FeatureDeviceSlot, SetFeatureSlot, GetFeatureSlot of that slot), as
 *   Get_LastErrorText gives it; empty after a success on that slot and for a
 *   slot never used. Mice failing at once keep their own reasons. Returns the
 *   text's length. */

/* The entry points, listed once, in the order in which the tool resolves them:
 * X(name, pointer type, result, parameters, need), need being REQUIRED or
 * OPTIONAL. The tool's binding table, the exports' declarations and the tests'
 * loader are all made from this list; a new entry point is one more line. */
#define HIDDRIVER_ENTRY_POINTS(X)                                                               \
    X(Open_DevMonitor, OpenDevMonitorFn, void,                                                  \
      (HidWindow window, unsigned inputMessage, unsigned plugMessage), REQUIRED)                \
    X(Close_DevMonitor, CloseDevMonitorFn, void, (void), REQUIRED)                              \
    X(Open_FeatureDevice, OpenFeatureDeviceFn, int, (void), REQUIRED)                           \
    X(Close_FeatureDevice, CloseFeatureDeviceFn, void, (void), REQUIRED)                        \
    X(SetFeature, SetFeatureFn, int, (unsigned char* report, int length), REQUIRED)             \
    X(GetFeature, GetFeatureFn, int, (unsigned char* report, int length), REQUIRED)             \
    X(List_HidDevices, ListDevicesFn, int, (char* text, int capacity), OPTIONAL)                \
    X(HidDriver_IsSimulator, IsSimulatorFn, int, (void), OPTIONAL)                              \
    X(Get_LastErrorText, LastErrorTextFn, int, (char* text, int capacity), OPTIONAL)            \
    X(Open_FeatureDeviceSlot, OpenFeatureDeviceSlotFn, int, (int slot), OPTIONAL)               \
    X(Close_FeatureDeviceSlot, CloseFeatureDeviceSlotFn, void, (int slot), OPTIONAL)            \
    X(SetFeatureSlot, SetFeatureSlotFn, int, (int slot, unsigned char* report, int length),     \
      OPTIONAL)                                                                                 \
    X(GetFeatureSlot, GetFeatureSlotFn, int, (int slot, unsigned char* report, int length),     \
      OPTIONAL)                                                                                 \
    X(List_FeatureDeviceSlots, ListFeatureDeviceSlotsFn, int, (int* slots, int capacity),       \
      OPTIONAL)                                                                                 \
    X(Get_FeatureDeviceSlotIdentity, SlotIdentityFn, int, (int slot, char* text, int capacity), \
      OPTIONAL)                                                                                 \
    X(Get_LastErrorTextSlot, LastErrorTextSlotFn, int, (int slot, char* text, int capacity),    \
      OPTIONAL)

/* need as a number: 1 for an entry point that every library exports. */
#define HIDDRIVER_NEED_REQUIRED 1
#define HIDDRIVER_NEED_OPTIONAL 0

/* The pointer types, those of a __cdecl library. */
#define HIDDRIVER_POINTER_TYPE(name, type, result, parameters, need) \
    typedef result(*type) parameters;
HIDDRIVER_ENTRY_POINTS(HIDDRIVER_POINTER_TYPE)
#undef HIDDRIVER_POINTER_TYPE

/* The declaration of an export, for a library's own sources: a definition that
 * differs from its line in the list does not compile. */
#define HIDDRIVER_DECLARE_EXPORT(name, type, result, parameters, need) \
    HIDDRIVER_EXPORT result HIDDRIVER_CALL name parameters;

#ifdef __cplusplus
}
#endif

#endif
