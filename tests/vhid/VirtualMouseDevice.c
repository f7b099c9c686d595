#include "VirtualMouseDevice.h"

#include <newdev.h>
#include <setupapi.h>
#include <wchar.h>

#include "VirtualMouseIds.h"

static DWORD Fail(const char* what, const char** failedCall) {
    const DWORD code = GetLastError();
    *failedCall = what;
    return code != 0 ? code : ERROR_GEN_FAILURE;
}

DWORD VmouseAdd(const wchar_t* inf, const char** failedCall) {
    GUID classGuid;
    wchar_t className[MAX_CLASS_NAME];
    if (!SetupDiGetINFClassW(inf, &classGuid, className, MAX_CLASS_NAME, NULL))
        return Fail("SetupDiGetINFClass", failedCall);
    HDEVINFO set = SetupDiCreateDeviceInfoList(&classGuid, NULL);
    if (set == INVALID_HANDLE_VALUE) return Fail("SetupDiCreateDeviceInfoList", failedCall);
    SP_DEVINFO_DATA device;
    ZeroMemory(&device, sizeof device);
    device.cbSize = sizeof device;
    static const wchar_t hardwareIds[] = VMOUSE_HARDWARE_ID L"\0";
    DWORD result = 0;
    if (!SetupDiCreateDeviceInfoW(set, VMOUSE_DEVICE_NAME, &classGuid, NULL, NULL, DICD_GENERATE_ID,
                                  &device)) {
        result = Fail("SetupDiCreateDeviceInfo", failedCall);
    } else if (!SetupDiSetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID,
                                                  (const BYTE*)hardwareIds, sizeof hardwareIds)) {
        result = Fail("SetupDiSetDeviceRegistryProperty", failedCall);
    } else if (!SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set, &device)) {
        result = Fail("DIF_REGISTERDEVICE", failedCall);
    }
    SetupDiDestroyDeviceInfoList(set);
    if (result != 0) return result;
    BOOL reboot = FALSE;
    if (!UpdateDriverForPlugAndPlayDevicesW(NULL, VMOUSE_HARDWARE_ID, inf, INSTALLFLAG_FORCE,
                                            &reboot))
        return Fail("UpdateDriverForPlugAndPlayDevices", failedCall);
    return 0;
}

static BOOL IsVirtualMouse(HDEVINFO set, SP_DEVINFO_DATA* device) {
    wchar_t ids[256] = {0};
    if (!SetupDiGetDeviceRegistryPropertyW(set, device, SPDRP_HARDWAREID, NULL, (BYTE*)ids,
                                           sizeof ids - sizeof(wchar_t), NULL))
        return FALSE;
    return _wcsicmp(ids, VMOUSE_HARDWARE_ID) == 0;
}

DWORD VmouseRemove(const char** failedCall) {
    HDEVINFO set = SetupDiGetClassDevsW(NULL, L"ROOT", NULL, DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) return Fail("SetupDiGetClassDevs", failedCall);
    DWORD result = 0;
    SP_DEVINFO_DATA device;
    ZeroMemory(&device, sizeof device);
    device.cbSize = sizeof device;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        if (IsVirtualMouse(set, &device) && !SetupDiCallClassInstaller(DIF_REMOVE, set, &device))
            result = Fail("DIF_REMOVE", failedCall);
    }
    SetupDiDestroyDeviceInfoList(set);
    return result;
}
