#include "VirtualMouse.h"

/* One vendor-defined collection (usage page 0xFF00, usage 1) of bytes 0 to 255
 * whose feature reports have the mouse's lengths: the ID byte, then the data. */
#define USAGE_PAGE_VENDOR 0x06, 0x00, 0xFF
#define USAGE(u) 0x09, (u)
#define APPLICATION_COLLECTION 0xA1, 0x01
#define END_COLLECTION 0xC0
#define BYTES_0_TO_255 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08
#define FEATURE(id, dataBytes) \
    0x85, (id), USAGE(id), 0x96, ((dataBytes)&0xFF), ((dataBytes) >> 8), 0xB1, 0x02

static const UCHAR REPORT_DESCRIPTOR[] = {
    USAGE_PAGE_VENDOR, USAGE(1),           APPLICATION_COLLECTION, BYTES_0_TO_255,
    FEATURE(0x04, 2),  FEATURE(0x05, 2),   FEATURE(0x06, 36),      FEATURE(0x07, 49),
    FEATURE(0x08, 5),  FEATURE(0x09, 129), FEATURE(0x2A, 1033),    END_COLLECTION,
};

static const UCHAR REPORT_IDS[VHID_REPORT_COUNT] = {0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x2A};
static const USHORT REPORT_LENGTHS[VHID_REPORT_COUNT] = {3, 3, 37, 50, 6, 130, 1034};

const UCHAR* VhidReportDescriptor(USHORT* length) {
    *length = sizeof REPORT_DESCRIPTOR;
    return REPORT_DESCRIPTOR;
}

static int ReportIndex(UCHAR reportId) {
    for (int i = 0; i < VHID_REPORT_COUNT; ++i) {
        if (REPORT_IDS[i] == reportId) return i;
    }
    return -1;
}

ULONG VhidReportLength(UCHAR reportId) {
    const int index = ReportIndex(reportId);
    return index < 0 ? 0 : REPORT_LENGTHS[index];
}

/* Before anything is written, each report holds its ID, its length and then
 * bytes that differ from report to report and from place to place. */
void VhidReset(VirtualMouse* mouse) {
    for (int i = 0; i < VHID_REPORT_COUNT; ++i) {
        UCHAR* report = mouse->reports[i];
        report[0] = REPORT_IDS[i];
        report[1] = (UCHAR)REPORT_LENGTHS[i];
        for (ULONG b = 2; b < VHID_LONGEST_REPORT; ++b) report[b] = (UCHAR)(REPORT_IDS[i] + 7 * b);
    }
    mouse->busyLeft = 0;
    mouse->statusAfterBusy = (UCHAR)mouse->parameters.finalStatus;
    mouse->lastWritten = 0;
}

static ULONG ReadNumber(HANDLE key, const WCHAR* name, ULONG fallback) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    ULONG buffer[8];
    ULONG size = 0;
    KEY_VALUE_PARTIAL_INFORMATION* value = (KEY_VALUE_PARTIAL_INFORMATION*)buffer;
    if (!NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, value,
                                    sizeof buffer, &size)) ||
        value->Type != REG_DWORD || value->DataLength != sizeof(ULONG)) {
        return fallback;
    }
    return *(ULONG*)value->Data;
}

static void ReadPath(HANDLE key, const WCHAR* name, WCHAR* path) {
    UNICODE_STRING valueName;
    RtlInitUnicodeString(&valueName, name);
    ULONG buffer[(sizeof(KEY_VALUE_PARTIAL_INFORMATION) + VHID_LOG_PATH_CHARS * 2) / 4 + 1];
    ULONG size = 0;
    KEY_VALUE_PARTIAL_INFORMATION* value = (KEY_VALUE_PARTIAL_INFORMATION*)buffer;
    path[0] = 0;
    if (!NT_SUCCESS(ZwQueryValueKey(key, &valueName, KeyValuePartialInformation, value,
                                    sizeof buffer, &size)) ||
        value->Type != REG_SZ) {
        return;
    }
    ULONG chars = value->DataLength / sizeof(WCHAR);
    if (chars >= VHID_LOG_PATH_CHARS) chars = VHID_LOG_PATH_CHARS - 1;
    memcpy(path, value->Data, chars * sizeof(WCHAR));
    path[chars] = 0;
}

void VhidReadParameters(VhidParameters* parameters) {
    parameters->vendorId = VMOUSE_VENDOR_ID;
    parameters->productId = VMOUSE_PRODUCT_ID;
    parameters->busyReads = 0;
    parameters->finalStatus = 1;
    parameters->onlyReport = 0;
    parameters->logPath[0] = 0;

    UNICODE_STRING keyName;
    RtlInitUnicodeString(&keyName, VHID_SERVICE_PARAMETERS);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &keyName, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    HANDLE key;
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes))) return;
    parameters->vendorId = (USHORT)ReadNumber(key, L"VendorId", parameters->vendorId);
    parameters->productId = (USHORT)ReadNumber(key, L"ProductId", parameters->productId);
    parameters->busyReads = ReadNumber(key, L"BusyReads", 0);
    parameters->finalStatus = ReadNumber(key, L"FinalStatus", 1);
    parameters->onlyReport = ReadNumber(key, L"OnlyAfterReport", 0);
    ReadPath(key, L"LogFile", parameters->logPath);
    ZwClose(key);
}

NTSTATUS VhidSetFeature(VirtualMouse* mouse, HID_XFER_PACKET* packet, ULONG_PTR* written) {
    const int index = ReportIndex(packet->reportId);
    VhidLog(mouse, "SET", packet->reportBuffer, packet->reportBufferLen);
    if (index < 0 || packet->reportBufferLen == 0 || packet->reportBuffer[0] != packet->reportId)
        return STATUS_INVALID_PARAMETER;
    ULONG length = packet->reportBufferLen;
    if (length > REPORT_LENGTHS[index]) length = REPORT_LENGTHS[index];
    memcpy(mouse->reports[index], packet->reportBuffer, length);
    const VhidParameters* chosen = &mouse->parameters;
    const BOOLEAN answered = chosen->onlyReport == 0 || chosen->onlyReport == packet->reportId;
    mouse->lastWritten = packet->reportId;
    mouse->busyLeft = answered ? chosen->busyReads : 0;
    mouse->statusAfterBusy = answered ? (UCHAR)chosen->finalStatus : 1;
    *written = packet->reportBufferLen;
    return STATUS_SUCCESS;
}

NTSTATUS VhidGetFeature(VirtualMouse* mouse, HID_XFER_PACKET* packet, ULONG_PTR* read) {
    const int index = ReportIndex(packet->reportId);
    if (index < 0 || packet->reportBufferLen < REPORT_LENGTHS[index]) {
        VhidLog(mouse, "REFUSED", &packet->reportId, 1);
        return STATUS_INVALID_PARAMETER;
    }
    UCHAR* report = mouse->reports[index];
    if (packet->reportId == VHID_STATUS_REPORT) {
        if (mouse->busyLeft > 0) {
            --mouse->busyLeft;
            report[1] = VHID_STATUS_BUSY;
        } else {
            report[1] = mouse->statusAfterBusy;
        }
        report[2] = mouse->lastWritten;
    }
    memcpy(packet->reportBuffer, report, REPORT_LENGTHS[index]);
    *read = REPORT_LENGTHS[index];
    VhidLog(mouse, "GET", report, REPORT_LENGTHS[index]);
    return STATUS_SUCCESS;
}
