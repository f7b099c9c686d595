#include "app/DllSearchPath.h"

#include <windows.h>

namespace talun {
namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

}  // namespace

void RestrictDllSearchPath() {
    // An empty string takes the current directory out of the search order.
    ::SetDllDirectoryA("");
    // Where the system offers it (Windows 8, and 7 with its update), libraries
    // loaded by name come from the system folder only. The driver library is
    // always loaded by its full path, so this does not touch it.
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return;
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace talun
