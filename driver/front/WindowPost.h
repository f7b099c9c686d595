// Delivering a monitor's message to the tool's window, for every driver library.
#pragma once

#include <cstdint>

#include "driver/api/HidDriverApi.h"

namespace talun::hiddriver {

// Posts message to window: on Windows with PostMessage, elsewhere through the
// event sink it points at. Nothing for no window. Callable from any thread.
void PostToWindow(HidWindow window, unsigned message, uintptr_t wParam, intptr_t lParam);

}  // namespace talun::hiddriver
