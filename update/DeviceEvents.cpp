#include "update/DeviceEvents.h"

#include "update/UpdateRun.h"

namespace talun {

uint32_t PlugEventCode(uintptr_t wParam) {
    uint32_t value = 0;
    if (wParam == 0) value = EVENT_PLUG_DETACHED;
    if (wParam == 1) value = EVENT_PLUG_ATTACHED;
    return MakeEventCode(EVENT_CLASS_PLUG, value);
}

uint32_t OneMousePlugs::EventOf(uintptr_t wParam, intptr_t lParam) {
    if (wParam == 1) pluggedSlots_.insert(lParam);
    if (wParam == 0) {
        pluggedSlots_.erase(lParam);
        if (!pluggedSlots_.empty()) return MakeEventCode(EVENT_CLASS_PLUG, 0);
    }
    return PlugEventCode(wParam);
}

uint32_t InputEventCode(uintptr_t wParam, intptr_t lParam) {
    return MakeEventCode(static_cast<uint32_t>(wParam & 0xFFFFu),
                         static_cast<uint32_t>(static_cast<uintptr_t>(lParam) & 0xFFFFu));
}

bool IsAttachEvent(uint32_t eventCode, LinkState linkState) {
    return eventCode == MakeEventCode(EVENT_CLASS_PLUG, EVENT_PLUG_ATTACHED) &&
           linkState != LinkState::Attached;
}

DeviceEventAction DispatchDeviceEvent(CoreContext& ctx, uint32_t eventCode) {
    const uint32_t eventClass = eventCode >> 16;
    const uint32_t value = eventCode & 0xFFFFu;
    if (eventClass != EVENT_CLASS_PLUG) return DeviceEventAction::None;

    if (IsAttachEvent(eventCode, ctx.state.linkState)) {
        ctx.clock.Sleep(ATTACH_SETTLE_MS);
        ctx.state.linkState = LinkState::Attached;
        ctx.device.OpenFeatureDevice();
        RunUpdate(ctx);
        return DeviceEventAction::Attached;
    }
    if (value == EVENT_PLUG_DETACHED && ctx.state.linkState != LinkState::Detached) {
        ctx.state.linkState = LinkState::Detached;
        ctx.device.CloseFeatureDevice();
        ctx.state.updateStatus = UpdateStatus::Idle;
        ctx.observer.OnStatusChanged(ctx.state.updateStatus);
        ctx.observer.OnRefreshStatusArea();
        return DeviceEventAction::Detached;
    }
    return DeviceEventAction::None;
}

void ReTest(CoreContext& ctx) {
    ctx.state.updateStatus = UpdateStatus::Idle;
    ctx.observer.OnStatusChanged(ctx.state.updateStatus);
    ctx.observer.OnRepaintWindow();
}

}  // namespace talun
