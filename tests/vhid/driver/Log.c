#include "VirtualMouse.h"

#define LINE_CHARS (32 + 3 * VHID_LONGEST_REPORT + 2)

static ULONG AppendText(char* line, ULONG at, const char* text) {
    while (*text && at < LINE_CHARS - 1) line[at++] = *text++;
    return at;
}

void VhidLog(const VirtualMouse* mouse, const char* what, const UCHAR* bytes, ULONG length) {
    static const char HEX[] = "0123456789ABCDEF";
    if (mouse->parameters.logPath[0] == 0) return;
    char line[LINE_CHARS];
    ULONG at = AppendText(line, 0, what);
    for (ULONG i = 0; i < length && at + 4 < LINE_CHARS; ++i) {
        line[at++] = ' ';
        line[at++] = HEX[bytes[i] >> 4];
        line[at++] = HEX[bytes[i] & 0x0F];
    }
    line[at++] = '\n';

    UNICODE_STRING path;
    RtlInitUnicodeString(&path, mouse->parameters.logPath);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    HANDLE file;
    IO_STATUS_BLOCK io;
    if (!NT_SUCCESS(ZwCreateFile(&file, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &io, NULL,
                                 FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 FILE_OPEN_IF, FILE_SYNCHRONOUS_IO_NONALERT, NULL, 0))) {
        return;
    }
    ZwWriteFile(file, NULL, NULL, NULL, &io, line, at, NULL, NULL);
    ZwClose(file);
}
