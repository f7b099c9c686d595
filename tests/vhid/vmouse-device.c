/* The tests' helper for the virtual mouse, run under Wine:
 *   vmouse-device add <inf>   plugs it in: a root-enumerated device driven by the INF's driver
 *   vmouse-device remove      unplugs it: every such device taken away
 * Exit status 0 on success; the reason of a failure goes to stderr. */
#include <stdio.h>
#include <wchar.h>

#include "VirtualMouseDevice.h"

int wmain(int argc, wchar_t** argv) {
    const char* failedCall = "";
    DWORD code;
    if (argc == 3 && wcscmp(argv[1], L"add") == 0) {
        code = VmouseAdd(argv[2], &failedCall);
    } else if (argc == 2 && wcscmp(argv[1], L"remove") == 0) {
        code = VmouseRemove(&failedCall);
    } else {
        fprintf(stderr, "usage: vmouse-device add <inf> | remove\n");
        return 2;
    }
    if (code != 0) fprintf(stderr, "%s failed: error %lu\n", failedCall, code);
    return code == 0 ? 0 : 1;
}
