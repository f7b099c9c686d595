// The tests' own desktop. Copies of the tool started by the tests, and the
// test program itself, live on it, apart from other programs of the same Wine
// session, whose default desktop may have been made without a display.
#pragma once

#include <string>

namespace talun::e2e {

// Makes the desktop and moves the calling thread onto it; false on failure.
bool UseOwnDesktop();
// "WinSta0\TalunE2E", for a new process's start-up information; empty when
// UseOwnDesktop was not called.
const std::wstring& OwnDesktopName();

}  // namespace talun::e2e
