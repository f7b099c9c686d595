/* The virtual mouse behind the HID minidriver: its report descriptor, what it
 * answers to feature reports, and the file where it logs every one of them. */
#pragma once

#include "../VirtualMouseIds.h"
#include "HidMinidriver.h"

#define VHID_SERVICE_PARAMETERS \
    L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\TalunVirtualMouse\\Parameters"
#define VHID_REPORT_COUNT 7
#define VHID_LONGEST_REPORT 1034
#define VHID_STATUS_REPORT 0x04
#define VHID_STATUS_BUSY 3
#define VHID_LOG_PATH_CHARS 260

/* Read from the service's Parameters key each time the device starts. */
typedef struct {
    USHORT vendorId;
    USHORT productId;
    ULONG busyReads;   /* status reads answered Busy after each write */
    ULONG finalStatus; /* the status after them: 1 Done, anything else a failure */
    ULONG onlyReport;  /* nonzero: the two apply after writes of this report ID alone */
    WCHAR logPath[VHID_LOG_PATH_CHARS]; /* NT path, e.g. \??\C:\log.txt; empty: no log */
} VhidParameters;

typedef struct {
    VhidParameters parameters;
    KSPIN_LOCK lock; /* guards pendingReads */
    LIST_ENTRY pendingReads;
    ULONG busyLeft;
    UCHAR statusAfterBusy;
    UCHAR lastWritten;
    /* What each report ID holds: what was last written, or its initial bytes. */
    UCHAR reports[VHID_REPORT_COUNT][VHID_LONGEST_REPORT];
} VirtualMouse;

/* The report descriptor, and its length in bytes. */
const UCHAR* VhidReportDescriptor(USHORT* length);

/* The report's length in bytes, ID included; 0 for an ID the device lacks. */
ULONG VhidReportLength(UCHAR reportId);

void VhidReadParameters(VhidParameters* parameters);
void VhidReset(VirtualMouse* mouse);

/* A feature report written to the device: stored, logged, and the next status
 * reads answer Busy, then the final status. */
NTSTATUS VhidSetFeature(VirtualMouse* mouse, HID_XFER_PACKET* packet, ULONG_PTR* written);

/* A feature report read from the device into the packet's buffer. */
NTSTATUS VhidGetFeature(VirtualMouse* mouse, HID_XFER_PACKET* packet, ULONG_PTR* read);

/* Appends "<what> <hex bytes>\n" to the log file, or only "<what>\n". */
void VhidLog(const VirtualMouse* mouse, const char* what, const UCHAR* bytes, ULONG length);
