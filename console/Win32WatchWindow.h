// The watch loop's message-only window on Windows, as the console's interrupt
// handler finds it: by its class and a title that names this process.
#pragma once

#include <windows.h>

#include <string>

namespace talun::console {

inline constexpr wchar_t WATCH_WINDOW_CLASS[] = L"TalunR5WatchEvents";
// Posted to the window when an interrupt asks the watch loop to stop.
inline constexpr UINT WM_WATCH_STOP = WM_APP + 1;

inline std::wstring WatchWindowTitle(DWORD processId) {
    return L"talun-r5 watch " + std::to_wstring(processId);
}

}  // namespace talun::console
