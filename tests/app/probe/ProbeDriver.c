/* A stand-in driver library for the window's end-to-end tests: no mouse, and
 * every call it receives recorded, with the system tick count, in
 * probe-calls.txt beside the library:
 *
 *   <ms> load | unload          (unload: released by FreeLibrary, not process exit)
 *   <ms> Open_DevMonitor <window> <input message> <plug message>
 *   <ms> Open_FeatureDevice | Close_FeatureDevice | Close_DevMonitor
 *   <ms> SetFeature <length> <hex bytes> | GetFeature <length>
 *
 * Built twice: complete, and (PROBE_PARTIAL) without Open_DevMonitor and
 * GetFeature, as a library lacking entry points. The partial one accepts every
 * write and says it is a simulator (so that the tool's placeholder image may go
 * through it): an update run then gets as far as waiting for acknowledgements
 * that it has no entry point to read. The log file's path is the library's one
 * piece of global state. */
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#define PROBE_EXPORT __declspec(dllexport)
#define PROBE_LOG_NAME "probe-calls.txt"

static char logPath[4 * MAX_PATH];

static void Record(const char* format, ...) {
    char line[8192];
    int used = snprintf(line, sizeof line, "%llu ", (unsigned long long)GetTickCount64());
    va_list args;
    va_start(args, format);
    used += vsnprintf(line + used, sizeof line - (size_t)used - 2, format, args);
    va_end(args);
    if (used > (int)sizeof line - 2) used = (int)sizeof line - 2;
    line[used++] = '\n';
    HANDLE file = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, (DWORD)used, &written, NULL);
    CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DWORD n = GetModuleFileNameA(instance, logPath, sizeof logPath);
        if (n == 0 || n >= sizeof logPath) return FALSE;
        char* slash = strrchr(logPath, '\\');
        if (slash == NULL || (size_t)(slash + 1 - logPath) + sizeof PROBE_LOG_NAME > sizeof logPath)
            return FALSE;
        strcpy(slash + 1, PROBE_LOG_NAME);
        Record("load");
    } else if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        Record("unload");
    }
    return TRUE;
}

#ifndef PROBE_PARTIAL
PROBE_EXPORT void Open_DevMonitor(void* window, unsigned inputMessage, unsigned plugMessage) {
    Record("Open_DevMonitor %p %u %u", window, inputMessage, plugMessage);
}
#endif

PROBE_EXPORT void Close_DevMonitor(void) {
    Record("Close_DevMonitor");
}

PROBE_EXPORT int Open_FeatureDevice(void) {
    Record("Open_FeatureDevice");
    return 0; /* no mouse */
}

PROBE_EXPORT void Close_FeatureDevice(void) {
    Record("Close_FeatureDevice");
}

PROBE_EXPORT int SetFeature(unsigned char* report, int length) {
    char hex[3 * 1100] = "";
    int shown = length < 1024 ? length : 1024;
    for (int i = 0; i < shown; ++i) snprintf(hex + 3 * i, 4, "%02X ", report[i]);
    Record("SetFeature %d %s", length, hex);
#ifdef PROBE_PARTIAL
    return 1;
#else
    return 0;
#endif
}

#ifdef PROBE_PARTIAL
PROBE_EXPORT int HidDriver_IsSimulator(void) {
    return 1;
}
#else
PROBE_EXPORT int GetFeature(unsigned char* report, int length) {
    (void)report;
    Record("GetFeature %d", length);
    return 0;
}
#endif
