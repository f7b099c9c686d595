/* A HID minidriver for a root-enumerated device that plays the mouse: the HID
 * class driver above it creates the collection that hid.dll and SetupAPI see. */
#include "VirtualMouse.h"

static const WCHAR PRODUCT[] = L"Talun R5 (virtual)";
static const WCHAR MAKER[] = L"Talun test bench";
static const WCHAR SERIAL[] = L"" VMOUSE_SERIAL;

static VirtualMouse* MouseOf(DEVICE_OBJECT* device) {
    return (VirtualMouse*)((HID_DEVICE_EXTENSION*)device->DeviceExtension)->MiniDeviceExtension;
}

static DEVICE_OBJECT* LowerOf(DEVICE_OBJECT* device) {
    return ((HID_DEVICE_EXTENSION*)device->DeviceExtension)->NextDeviceObject;
}

static NTSTATUS Complete(IRP* irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static void NTAPI CancelRead(DEVICE_OBJECT* device, IRP* irp) {
    VirtualMouse* mouse = MouseOf(device);
    KIRQL irql;
    IoReleaseCancelSpinLock(irp->CancelIrql);
    KeAcquireSpinLock(&mouse->lock, &irql);
    RemoveEntryList(&irp->Tail.Overlay.ListEntry);
    KeReleaseSpinLock(&mouse->lock, irql);
    Complete(irp, STATUS_CANCELLED, 0);
}

/* The mouse sends no input reports: a read waits until it is cancelled or the
 * device goes away. */
static NTSTATUS PendRead(VirtualMouse* mouse, IRP* irp) {
    KIRQL irql;
    IoMarkIrpPending(irp);
    KeAcquireSpinLock(&mouse->lock, &irql);
    IoSetCancelRoutine(irp, CancelRead);
    if (irp->Cancel && IoSetCancelRoutine(irp, NULL)) {
        KeReleaseSpinLock(&mouse->lock, irql);
        Complete(irp, STATUS_CANCELLED, 0);
        return STATUS_PENDING;
    }
    InsertTailList(&mouse->pendingReads, &irp->Tail.Overlay.ListEntry);
    KeReleaseSpinLock(&mouse->lock, irql);
    return STATUS_PENDING;
}

static void EndReads(VirtualMouse* mouse) {
    for (;;) {
        KIRQL irql;
        IRP* irp = NULL;
        KeAcquireSpinLock(&mouse->lock, &irql);
        while (!irp && !IsListEmpty(&mouse->pendingReads)) {
            LIST_ENTRY* entry = RemoveHeadList(&mouse->pendingReads);
            irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
            if (!IoSetCancelRoutine(irp, NULL)) {
                InitializeListHead(&irp->Tail.Overlay.ListEntry); /* being cancelled */
                irp = NULL;
            }
        }
        KeReleaseSpinLock(&mouse->lock, irql);
        if (!irp) return;
        Complete(irp, STATUS_DELETE_PENDING, 0);
    }
}

static NTSTATUS CopyOut(IRP* irp, const void* data, ULONG length) {
    const ULONG room =
        IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.OutputBufferLength;
    if (room < length) return Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
    memcpy(irp->UserBuffer, data, length);
    return Complete(irp, STATUS_SUCCESS, length);
}

static NTSTATUS CopyString(IRP* irp) {
    const ULONG_PTR which =
        (ULONG_PTR)IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.Type3InputBuffer &
        0xFFFF;
    if (which == VHID_STRING_ID_PRODUCT) return CopyOut(irp, PRODUCT, sizeof PRODUCT);
    if (which == VHID_STRING_ID_MANUFACTURER) return CopyOut(irp, MAKER, sizeof MAKER);
    if (which == VHID_STRING_ID_SERIAL) return CopyOut(irp, SERIAL, sizeof SERIAL);
    return Complete(irp, STATUS_NOT_SUPPORTED, 0);
}

static NTSTATUS CopyDescriptor(IRP* irp) {
    USHORT length = 0;
    VhidReportDescriptor(&length);
    HID_DESCRIPTOR descriptor = {sizeof descriptor,
                                 HID_HID_DESCRIPTOR_TYPE,
                                 0x0111,
                                 0,
                                 1,
                                 {{HID_REPORT_DESCRIPTOR_TYPE, length}}};
    return CopyOut(irp, &descriptor, sizeof descriptor);
}

static NTSTATUS NTAPI InternalIoctl(DEVICE_OBJECT* device, IRP* irp) {
    VirtualMouse* mouse = MouseOf(device);
    ULONG_PTR moved = 0;
    NTSTATUS status;
    switch (IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode) {
        case IOCTL_HID_GET_DEVICE_DESCRIPTOR:
            return CopyDescriptor(irp);
        case IOCTL_HID_GET_REPORT_DESCRIPTOR: {
            USHORT length = 0;
            const UCHAR* descriptor = VhidReportDescriptor(&length);
            return CopyOut(irp, descriptor, length);
        }
        case IOCTL_HID_GET_DEVICE_ATTRIBUTES: {
            HID_DEVICE_ATTRIBUTES attributes = {sizeof attributes,
                                                mouse->parameters.vendorId,
                                                mouse->parameters.productId,
                                                0x0100,
                                                {0}};
            return CopyOut(irp, &attributes, sizeof attributes);
        }
        case IOCTL_HID_GET_STRING:
            return CopyString(irp);
        case IOCTL_HID_READ_REPORT:
            return PendRead(mouse, irp);
        case IOCTL_HID_SET_FEATURE:
            status = VhidSetFeature(mouse, (HID_XFER_PACKET*)irp->UserBuffer, &moved);
            return Complete(irp, status, moved);
        case IOCTL_HID_GET_FEATURE:
            status = VhidGetFeature(mouse, (HID_XFER_PACKET*)irp->UserBuffer, &moved);
            return Complete(irp, status, moved);
        case IOCTL_HID_ACTIVATE_DEVICE:
        case IOCTL_HID_DEACTIVATE_DEVICE:
            return Complete(irp, STATUS_SUCCESS, 0);
        default:
            return Complete(irp, STATUS_NOT_SUPPORTED, 0);
    }
}

static NTSTATUS NTAPI Pnp(DEVICE_OBJECT* device, IRP* irp) {
    VirtualMouse* mouse = MouseOf(device);
    switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
        case IRP_MN_START_DEVICE:
            VhidReadParameters(&mouse->parameters);
            VhidReset(mouse);
            VhidLog(mouse, "START", NULL, 0);
            break;
        case IRP_MN_SURPRISE_REMOVAL:
        case IRP_MN_REMOVE_DEVICE:
        case IRP_MN_STOP_DEVICE:
            EndReads(mouse);
            VhidLog(mouse, "STOP", NULL, 0);
            break;
        default:
            break;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(LowerOf(device), irp);
}

static NTSTATUS NTAPI Power(DEVICE_OBJECT* device, IRP* irp) {
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(LowerOf(device), irp);
}

static NTSTATUS NTAPI AddDevice(DRIVER_OBJECT* driver, DEVICE_OBJECT* device) {
    (void)driver;
    VirtualMouse* mouse = MouseOf(device);
    KeInitializeSpinLock(&mouse->lock);
    InitializeListHead(&mouse->pendingReads);
    VhidReadParameters(&mouse->parameters);
    VhidReset(mouse);
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static void NTAPI Unload(DRIVER_OBJECT* driver) {
    (void)driver;
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registryPath) {
    driver->MajorFunction[IRP_MJ_PNP] = Pnp;
    driver->MajorFunction[IRP_MJ_POWER] = Power;
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = InternalIoctl;
    driver->DriverExtension->AddDevice = AddDevice;
    driver->DriverUnload = Unload;

    HID_MINIDRIVER_REGISTRATION registration = {0};
    registration.Revision = HID_REVISION;
    registration.DriverObject = driver;
    registration.RegistryPath = registryPath;
    registration.DeviceExtensionSize = sizeof(VirtualMouse);
    registration.DevicesArePolled = FALSE;
    return HidRegisterMinidriver(&registration);
}
