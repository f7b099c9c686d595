#include "driver/linux/HidrawDevices.h"

#include <hidapi/hidapi.h>
#include <limits.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <memory>

#include "driver/common/MouseSlots.h"

namespace talun::hiddriver {
namespace {

struct EnumerationFree {
    void operator()(hid_device_info* p) const { hid_free_enumeration(p); }
};

std::string Basename(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string HidrawMousePath(const std::string& devicePath) {
    const std::string link = "/sys/class/hidraw/" + Basename(devicePath);
    char resolved[PATH_MAX];
    if (::realpath(link.c_str(), resolved) == nullptr) return {};
    return LinuxMousePath(resolved);
}

std::string NarrowText(const wchar_t* text) {
    std::string narrow;
    if (text == nullptr) return narrow;
    for (; *text != L'\0'; ++text) {
        narrow += (*text > 0 && *text < 0x80) ? static_cast<char>(*text) : '?';
    }
    return narrow;
}

ReportDescriptorInfo ReadHidrawDescriptor(const std::string& devicePath) {
    const std::string sysfs =
        "/sys/class/hidraw/" + Basename(devicePath) + "/device/report_descriptor";
    std::ifstream file(sysfs, std::ios::binary);
    if (!file) {
        ReportDescriptorInfo info;
        info.error = "cannot read " + sysfs;
        return info;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>()};
    return ParseReportDescriptor(bytes.data(), bytes.size());
}

std::vector<HidCandidate> EnumerateHidraw(uint16_t vendorId, uint16_t productId,
                                          std::string& error) {
    std::vector<HidCandidate> candidates;
    if (hid_init() != 0) {
        error = "hidapi could not start: " + NarrowText(hid_error(nullptr));
        return candidates;
    }
    const std::unique_ptr<hid_device_info, EnumerationFree> list(
        hid_enumerate(vendorId, productId));
    for (const hid_device_info* info = list.get(); info != nullptr; info = info->next) {
        HidCandidate c;
        c.vendorId = info->vendor_id;
        c.productId = info->product_id;
        c.usagePage = info->usage_page;
        c.usage = info->usage;
        if (info->interface_number >= 0) c.interfaceNumber = info->interface_number;
        c.product = NarrowText(info->product_string);
        c.path = info->path != nullptr ? info->path : "";
        c.mousePath = HidrawMousePath(c.path);
        // The feature length of this collection; a descriptor whose collections
        // cannot be told apart by usage gives its longest feature report.
        const ReportDescriptorInfo descriptor = ReadHidrawDescriptor(c.path);
        bool found = false;
        for (const auto& top : descriptor.collections) {
            if (top.usagePage == c.usagePage && top.usage == c.usage) {
                c.featureReportByteLength = top.featureReportByteLength;
                found = true;
                break;
            }
        }
        if (!found) {
            for (const auto& top : descriptor.collections) {
                c.featureReportByteLength =
                    std::max(c.featureReportByteLength, top.featureReportByteLength);
            }
        }
        candidates.push_back(std::move(c));
    }
    return candidates;
}

}  // namespace talun::hiddriver
