/* The virtual mouse as the system knows it. */
#pragma once

#define VMOUSE_VENDOR_ID 0x1209
#define VMOUSE_PRODUCT_ID 0x7A52
/* The root device's name. The HID class driver names the mouse's collection
 * after it ("HID\VID_1209&PID_7A52\..."), as it names a USB mouse's after the
 * USB device, and the library's monitor reads the identifiers from that name. */
#define VMOUSE_DEVICE_NAME L"VID_1209&PID_7A52"
/* The USB serial string the mouse answers with. */
#define VMOUSE_SERIAL "VM-000123"
#define VMOUSE_HARDWARE_ID L"root\\talun_virtual_mouse"
#define VMOUSE_PARAMETERS_KEY L"System\\CurrentControlSet\\Services\\TalunVirtualMouse\\Parameters"
