/* Plugging the virtual mouse in and out: a root-enumerated device whose driver
 * the INF installs, and its removal. */
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Adds one device and installs the INF's driver on it. 0 on success, else the
 * system's error code; *failedCall names the call that failed. */
DWORD VmouseAdd(const wchar_t* inf, const char** failedCall);

/* Takes away every such device. 0 on success, else as above. */
DWORD VmouseRemove(const char** failedCall);

#ifdef __cplusplus
}
#endif
