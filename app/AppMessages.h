// The window's own messages: what the device worker tells the window, posted to
// it so that the window handles them on its thread, in the order they were sent.
#pragma once

#include <windows.h>

namespace talun {

// wParam: the new UpdateStatus.
inline constexpr UINT WM_APP_STATUS_CHANGED = WM_APP + 1;
// Repaint the status and hint lines.
inline constexpr UINT WM_APP_REFRESH_STATUS_AREA = WM_APP + 2;
// Repaint the whole window.
inline constexpr UINT WM_APP_REPAINT_WINDOW = WM_APP + 3;
// A job of the device worker has ended; wParam: its DeviceJobKind.
inline constexpr UINT WM_APP_DEVICE_JOB_DONE = WM_APP + 4;

}  // namespace talun
