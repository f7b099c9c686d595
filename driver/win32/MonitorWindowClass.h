// The window class of the device monitor's message-only window. Tests look the
// window up by it to hand it device notifications of their own.
#pragma once

namespace talun::hiddriver {

inline constexpr const wchar_t* MONITOR_WINDOW_CLASS = L"TalunR5HidMonitor";

}  // namespace talun::hiddriver
