// The main window's status area as the operator sees it.
#pragma once

#include <windows.h>

#include <string>

#include "tests/app/e2e/Screen.h"
#include "tests/app/e2e/Wait.h"

namespace talun::e2e {

enum class Shown { Idle, Updating, Updated, NotUpdated };
const char* ShownName(Shown shown);

// Which rectangles to look at: both, or StatusRect alone (when another window
// covers HintRect).
enum class Lines { StatusAndHint, StatusOnly };

// Compares the screen's StatusRect and HintRect with the texts the state calls
// for, drawn here. Empty when they match; else what differs.
std::string CompareStatusArea(HWND window, Shown shown, Lines lines = Lines::StatusAndHint);
// Waits until the status area matches; the last difference on timeout ("" on success).
std::string WaitForStatusArea(HWND window, Shown shown, uint32_t timeoutMs = WAIT_RUN_MS,
                              Lines lines = Lines::StatusAndHint);

// Nothing of the brand word shows beside the picture: BrandRect, outside the
// picture control, is white.
std::string CompareBrandArea(HWND window, HWND picture);

}  // namespace talun::e2e
