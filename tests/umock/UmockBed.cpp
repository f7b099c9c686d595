#include "tests/umock/UmockBed.h"

#include <glib.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "tests/support/WaitUntil.h"
#include "tests/umock/MouseDescriptor.h"

namespace talun::umock {
namespace {

constexpr const char* USB_HOST = "/sys/devices/pci0000:00/0000:00:14.0/usb1";
constexpr const char* PRODUCT_TEXT = "Talun R5";
constexpr const char* MAKER_TEXT = "Talun";
constexpr unsigned BUS_NUMBER = 1;

std::string Format(const char* format, unsigned a, unsigned b = 0, unsigned c = 0) {
    char text[256];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string hex;
    for (const uint8_t b : bytes) hex += Format("%02X", b);
    return hex;
}

struct GErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

struct DataUnref {
    void operator()(UMockdevIoctlData* d) const { g_object_unref(d); }
};
using DataPtr = std::unique_ptr<UMockdevIoctlData, DataUnref>;

// The bytes an ioctl's argument points at, fetched from the calling process.
DataPtr Pointee(UMockdevIoctlClient* client, std::size_t length) {
    GError* error = nullptr;
    DataPtr data(
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error));
    GErrorPtr owned(error);
    return data;
}

void Complete(UMockdevIoctlClient* client, long result) {
    umockdev_ioctl_client_complete(client, result < 0 ? -1 : result,
                                   result < 0 ? static_cast<int>(-result) : 0);
}

}  // namespace

bool UmockBed::Preloaded() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

// Under the preload library umockdev_in_mock_environment() is right only once a
// test bed exists (it caches its first answer), so it is not asked here.
UmockBed::UmockBed() {
    if (!Preloaded()) throw std::runtime_error("not under umockdev-wrapper (libumockdev-preload)");
    testbed_ = umockdev_testbed_new();
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UmockBed::OnIoctl), this);
    unplugger_ = std::thread([this] { RunUnplugger(); });
}

UmockBed::~UmockBed() {
    {
        std::lock_guard<std::mutex> lock(leftMutex_);
        stopping_ = true;
    }
    leftChanged_.notify_all();
    unplugger_.join();
    std::size_t count = 0;
    {
        std::lock_guard<std::mutex> lock(miceMutex_);
        count = mice_.size();
    }
    for (std::size_t i = 0; i < count; ++i) Unplug(static_cast<int>(i));
    g_object_unref(testbed_);  // removes its folder
    g_object_unref(handler_);
}

int UmockBed::Add(MouseSpec spec) {
    std::lock_guard<std::mutex> lock(miceMutex_);
    mice_.push_back({std::make_unique<EmulatedMouse>(std::move(spec))});
    const int mouse = static_cast<int>(mice_.size()) - 1;
    byNode_[Node(mouse)] = mice_.back().mouse.get();
    return mouse;
}

EmulatedMouse& UmockBed::Mouse(int mouse) {
    std::lock_guard<std::mutex> lock(miceMutex_);
    return *mice_.at(static_cast<std::size_t>(mouse)).mouse;
}

std::string UmockBed::Node(int mouse) const {
    return Format("/dev/hidraw%u", static_cast<unsigned>(mouse));
}

std::string UmockBed::NodeFile(int mouse) const {
    return root_ + Node(mouse);
}

std::string UmockBed::UsbPath(int mouse) const {
    return std::string(USB_HOST) + Format("/%u-%u", BUS_NUMBER, static_cast<unsigned>(mouse) + 1);
}

std::vector<std::string> UmockBed::SysPaths(int mouse) const {
    const unsigned port = static_cast<unsigned>(mouse) + 1;
    const EmulatedMouse& m = *mice_.at(static_cast<std::size_t>(mouse)).mouse;
    const std::string usb = UsbPath(mouse);
    const std::string intf = usb + Format("/%u-%u:1.0", BUS_NUMBER, port);
    const std::string hid = intf +
                            Format("/0003:%04X:%04X", m.Spec().vendorId, m.Spec().productId) +
                            Format(".%04X", port);
    return {hid + Format("/hidraw/hidraw%u", static_cast<unsigned>(mouse)), hid, intf, usb};
}

// One record of umockdev's format: the node, then its parents. The node has
// contents (a bare N: line makes a pty, which cannot be added again after an
// unplug), the device link from the node to the HID device is written out, and
// HID_UNIQ is set: without them hidapi lists nothing usable.
std::string UmockBed::Record(int mouse) const {
    const unsigned port = static_cast<unsigned>(mouse) + 1;
    const EmulatedMouse& m = *mice_.at(static_cast<std::size_t>(mouse)).mouse;
    const std::vector<std::string> paths = SysPaths(mouse);
    const std::string serial = Format("R5-%04u", port);
    const std::string node = Format("hidraw%u", static_cast<unsigned>(mouse));
    std::string r;
    r += "P: " + paths[0].substr(4) + "\nN: " + node + "=00\nE: DEVNAME=/dev/" + node +
         "\nE: SUBSYSTEM=hidraw\nL: device=../../../" + paths[1].substr(paths[1].rfind('/') + 1) +
         "\n\n";
    r += "P: " + paths[1].substr(4) + "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n" +
         Format("E: HID_ID=0003:%08X:%08X\n", m.Spec().vendorId, m.Spec().productId) +
         "E: HID_NAME=" + MAKER_TEXT + " " + PRODUCT_TEXT + "\nE: HID_UNIQ=" + serial +
         Format("\nE: HID_PHYS=usb-0000:00:14.0-%u/input0\n", port) +
         "H: report_descriptor=" + Hex(m.Descriptor()) + "\n\n";
    r += "P: " + paths[2].substr(4) +
         "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nA: bInterfaceNumber=00\n"
         "A: bInterfaceClass=03\n\n";
    r += "P: " + paths[3].substr(4) + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n" +
         Format("E: BUSNUM=%03u\nE: DEVNUM=%03u\n", BUS_NUMBER, port + 1) +
         Format("A: idVendor=%04x\nA: idProduct=%04x\n", m.Spec().vendorId, m.Spec().productId) +
         "A: manufacturer=" + MAKER_TEXT + "\nA: product=" + PRODUCT_TEXT +
         "\nA: serial=" + serial + "\nA: bcdDevice=0100\n" +
         Format("A: busnum=%u\nA: devnum=%u\n", BUS_NUMBER, port + 1) + "\n";
    return r;
}

void UmockBed::Plug(int mouse) {
    std::string record;
    bool attach = false;
    EmulatedMouse* m = nullptr;
    {
        std::lock_guard<std::mutex> lock(miceMutex_);
        Entry& entry = mice_.at(static_cast<std::size_t>(mouse));
        if (entry.inSysfs) return;
        record = Record(mouse);
        attach = !entry.handlerAttached;
        entry.handlerAttached = entry.inSysfs = true;
        m = entry.mouse.get();
    }
    m->SetPlugged(true);
    std::lock_guard<std::mutex> lock(bedMutex_);
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        const std::string reason = error != nullptr ? error->message : "no reason given";
        GErrorPtr owned(error);
        throw std::runtime_error("umockdev cannot add mouse " + std::to_string(mouse) + ": " +
                                 reason);
    }
    // Once per node, kept across replugs: an fd opened before an unplug still
    // reaches it and must be told ENODEV.
    if (attach && !umockdev_testbed_attach_ioctl(testbed_, Node(mouse).c_str(), handler_, &error)) {
        GErrorPtr owned(error);
        throw std::runtime_error("umockdev cannot attach the ioctl handler of " + Node(mouse));
    }
}

void UmockBed::Unplug(int mouse) {
    Mouse(mouse).SetPlugged(false);
    RemoveFromSysfs(mouse);
}

// umockdev 0.17.16's remove_device sends no uevent: the "remove" uevents go
// first, node first as the kernel sends them, then the devices leave sysfs,
// children first, and the node file that remove_device leaves is deleted.
void UmockBed::RemoveFromSysfs(int mouse) {
    std::vector<std::string> paths;
    {
        std::lock_guard<std::mutex> lock(miceMutex_);
        Entry& entry = mice_.at(static_cast<std::size_t>(mouse));
        if (!entry.inSysfs) return;
        entry.inSysfs = false;
        paths = SysPaths(mouse);
    }
    std::lock_guard<std::mutex> lock(bedMutex_);
    for (const std::string& path : paths) umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
    for (const std::string& path : paths) umockdev_testbed_remove_device(testbed_, path.c_str());
    std::error_code ignored;
    std::filesystem::remove(NodeFile(mouse), ignored);
}

bool UmockBed::WaitUnplugged(int mouse) {
    return test::WaitUntil([&] {
        std::lock_guard<std::mutex> lock(miceMutex_);
        return !mice_.at(static_cast<std::size_t>(mouse)).inSysfs;
    });
}

void UmockBed::RunUnplugger() {
    std::unique_lock<std::mutex> lock(leftMutex_);
    for (;;) {
        leftChanged_.wait(lock, [this] { return stopping_ || !left_.empty(); });
        if (stopping_) return;
        const int mouse = left_.back();
        left_.pop_back();
        lock.unlock();
        RemoveFromSysfs(mouse);
        lock.lock();
    }
}

int UmockBed::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    static_cast<UmockBed*>(self)->Answer(client);
    return TRUE;
}

// On umockdev's thread, one ioctl at a time.
void UmockBed::Answer(UMockdevIoctlClient* client) {
    EmulatedMouse* mouse = nullptr;
    int number = -1;
    {
        std::lock_guard<std::mutex> lock(miceMutex_);
        const auto found = byNode_.find(umockdev_ioctl_client_get_devnode(client));
        if (found != byNode_.end()) mouse = found->second;
        for (std::size_t i = 0; i < mice_.size(); ++i)
            if (mice_[i].mouse.get() == mouse) number = static_cast<int>(i);
    }
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    if (mouse == nullptr || !mouse->Plugged()) return Complete(client, -ENODEV);
    const std::size_t size = _IOC_SIZE(request);
    const DataPtr data = Pointee(client, size);
    if (!data) return Complete(client, -EFAULT);
    std::vector<uint8_t> bytes(data->data, data->data + size);
    long result = 0;
    if (request == HIDIOCGRDESCSIZE) {
        const int length = static_cast<int>(mouse->Descriptor().size());
        std::memcpy(bytes.data(), &length, sizeof length);
    } else if (request == HIDIOCGRDESC) {
        hidraw_report_descriptor d{};
        d.size = static_cast<uint32_t>(mouse->Descriptor().size());
        std::copy(mouse->Descriptor().begin(), mouse->Descriptor().end(), d.value);
        std::memcpy(bytes.data(), &d, sizeof d);
    } else if (request == HIDIOCGRAWINFO) {
        hidraw_devinfo info{BUS_USB, static_cast<int16_t>(mouse->Spec().vendorId),
                            static_cast<int16_t>(mouse->Spec().productId)};
        std::memcpy(bytes.data(), &info, sizeof info);
    } else if (request == HIDIOCSFEATURE(size)) {
        result = mouse->Write(bytes.data(), size);
    } else if (request == HIDIOCGFEATURE(size)) {
        result = mouse->Read(bytes.data(), size);
    } else {
        result = -ENOTTY;
    }
    if (result >= 0)
        umockdev_ioctl_data_update(data.get(), 0, bytes.data(), static_cast<int>(size));
    Complete(client, result);
    if (mouse->TakeLeft()) {
        std::lock_guard<std::mutex> lock(leftMutex_);
        left_.push_back(number);
        leftChanged_.notify_all();
    }
}

}  // namespace talun::umock
