// The device monitor's two messages, turned into one event code, and what the
// tool does on each event.
#pragma once

#include <cstdint>
#include <set>

#include "update/ToolState.h"

namespace talun {

inline constexpr uint32_t EVENT_CLASS_PLUG = 0x7F00;
inline constexpr uint32_t EVENT_CLASS_BUTTON = 0xE000;
inline constexpr uint32_t EVENT_PLUG_ATTACHED = 1;
inline constexpr uint32_t EVENT_PLUG_DETACHED = 2;
// Time the mouse gets to settle after it was plugged in, before the update.
inline constexpr uint32_t ATTACH_SETTLE_MS = 1500;

inline constexpr uint32_t MakeEventCode(uint32_t eventClass, uint32_t value) {
    return (eventClass << 16) | (value & 0xFFFFu);
}

// The plug message: wParam 1 attached, 0 detached; any other wParam gives a
// plug event of value 0, which does nothing.
uint32_t PlugEventCode(uintptr_t wParam);

// A front end of one mouse (the window, talun-r5 with a library of one mouse)
// on a library that tells mice apart: its plug messages come once per mouse,
// lParam the slot. The front end sees one mouse, plugged in while any is: every
// attach passes, a detach only when it leaves no mouse plugged in, so that
// unplugging another mouse never ends the run on the one being updated. With a
// library of one mouse (lParam always 0) every message passes as it is.
class OneMousePlugs {
  public:
    // The plug event of this plug message, as PlugEventCode gives it, or a plug
    // event of value 0 (which does nothing) for a detach that leaves a mouse.
    uint32_t EventOf(uintptr_t wParam, intptr_t lParam);

  private:
    std::set<intptr_t> pluggedSlots_;
};
// The input message: class from the low 16 bits of wParam, value from the low
// 16 bits of lParam.
uint32_t InputEventCode(uintptr_t wParam, intptr_t lParam);

// Whether DispatchDeviceEvent takes this event, in this link state, as a mouse
// being plugged in (and so settles and runs an update).
bool IsAttachEvent(uint32_t eventCode, LinkState linkState);

// What a dispatched event did.
enum class DeviceEventAction { None, Attached, Detached };

// Attach while not Attached: settle, mark Attached, open the feature device and
// run the update. Detach while not Detached: mark Detached, close the feature
// device, clear the status. Everything else: nothing.
DeviceEventAction DispatchDeviceEvent(CoreContext& ctx, uint32_t eventCode);

// The "Re-Test" command: clears the status and repaints the window; the link
// and the feature device are left as they are.
void ReTest(CoreContext& ctx);

}  // namespace talun
