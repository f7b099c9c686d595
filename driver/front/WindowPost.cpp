#include "driver/front/WindowPost.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace talun::hiddriver {

void PostToWindow(HidWindow window, unsigned message, uintptr_t wParam, intptr_t lParam) {
    if (window == nullptr) return;
#ifdef _WIN32
    ::PostMessageW(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
                   static_cast<LPARAM>(lParam));
#else
    auto* sink = static_cast<HidEventSink*>(window);
    if (sink->post != nullptr) sink->post(sink, message, wParam, lParam);
#endif
}

}  // namespace talun::hiddriver
