#include "driver/win32/HidInterfaces.h"

#include <cfgmgr32.h>

#include <cctype>
#include <cstdio>
#include <optional>

namespace talun::hiddriver {
namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG PRODUCT_TEXT_CHARS = 127;  // USB string descriptors hold at most 126
constexpr ULONG LOCATION_TEXT_CHARS = 255;

GUID HidGuid() {
    GUID guid;
    ::HidD_GetHidGuid(&guid);
    return guid;
}

UniqueFileHandle OpenForAttributes(const std::string& path) {
    return UniqueFileHandle(
        ::CreateFileA(path.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr));
}

std::string MouseOfUnknownNode(const std::string& path) {
    const auto ids = ParseWindowsInterfacePath(path);
    if (!ids) return InCapitals(path);
    char text[24];
    std::snprintf(text, sizeof text, "VID_%04X&PID_%04X", ids->vendorId, ids->productId);
    return text;
}

// Up from a HID collection's device node to the mouse's; empty when a step fails.
std::string MouseNode(DEVINST node) {
    constexpr int DEPTH_LIMIT = 16;
    for (int depth = 0; depth < DEPTH_LIMIT; ++depth) {
        char id[MAX_DEVICE_ID_LEN + 1] = {};
        if (::CM_Get_Device_IDA(node, id, MAX_DEVICE_ID_LEN, 0) != CR_SUCCESS) return {};
        if (!IsHidCollectionOrUsbInterface(id)) return InCapitals(id);
        DEVINST parent = 0;
        if (::CM_Get_Parent(&parent, node, 0) != CR_SUCCESS) return {};
        node = parent;
    }
    return {};
}

// An interface's path and its mouse.
std::optional<MouseInterface> InterfaceDetail(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return std::nullopt;
    std::vector<char> buffer(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA node{};
    node.cbSize = sizeof node;
    if (!::SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, &node)) {
        return std::nullopt;
    }
    MouseInterface seen{MouseNode(node.DevInst), detail->DevicePath};
    if (seen.mousePath.empty()) seen.mousePath = MouseOfUnknownNode(seen.interfacePath);
    return seen;
}

}  // namespace

std::string NarrowAscii(const wchar_t* text, std::size_t maxChars) {
    std::string narrow;
    for (std::size_t i = 0; i < maxChars && text[i] != L'\0'; ++i) {
        narrow += (text[i] > 0 && text[i] < 0x80) ? static_cast<char>(text[i]) : '?';
    }
    return narrow;
}

std::vector<MouseInterface> HidInterfaces(std::string& error) {
    std::vector<MouseInterface> found;
    GUID guid = HidGuid();
    const UniqueDeviceInfoList set(
        ::SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (set.get() == INVALID_HANDLE_VALUE) {
        error = "SetupDiGetClassDevs: " + SystemErrorText(::GetLastError());
        return found;
    }
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!::SetupDiEnumDeviceInterfaces(set.get(), nullptr, &guid, index, &data)) {
            const DWORD code = ::GetLastError();
            if (code != ERROR_NO_MORE_ITEMS)
                error = "SetupDiEnumDeviceInterfaces: " + SystemErrorText(code);
            break;
        }
        if (auto seen = InterfaceDetail(set.get(), data)) found.push_back(std::move(*seen));
    }
    return found;
}

std::string MouseOfInterface(const std::string& path) {
    GUID guid = HidGuid();
    const UniqueDeviceInfoList set(::SetupDiCreateDeviceInfoList(&guid, nullptr));
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (set.get() != INVALID_HANDLE_VALUE &&
        ::SetupDiOpenDeviceInterfaceA(set.get(), path.c_str(), 0, &data)) {
        if (const auto seen = InterfaceDetail(set.get(), data)) return seen->mousePath;
    }
    return MouseOfUnknownNode(path);
}

std::string InCapitals(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::vector<HidCandidate> EnumerateHidInterfaces(uint16_t vendorId, uint16_t productId,
                                                 std::string& error) {
    std::vector<HidCandidate> candidates;
    const bool filtered = vendorId != 0 || productId != 0;
    for (MouseInterface& seen : HidInterfaces(error)) {
        const std::string& path = seen.interfacePath;
        const UniqueFileHandle device = OpenForAttributes(path);
        if (!device.Valid()) continue;
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        if (!::HidD_GetAttributes(device.Get(), &attributes)) continue;
        if (filtered && (attributes.VendorID != vendorId || attributes.ProductID != productId))
            continue;

        HidCandidate c;
        c.vendorId = attributes.VendorID;
        c.productId = attributes.ProductID;
        c.path = path;
        c.mousePath = std::move(seen.mousePath);
        if (const auto ids = ParseWindowsInterfacePath(path))
            c.interfaceNumber = ids->interfaceNumber;
        PHIDP_PREPARSED_DATA raw = nullptr;
        if (::HidD_GetPreparsedData(device.Get(), &raw)) {
            const UniquePreparsedData preparsed(raw);
            HIDP_CAPS caps{};
            if (::HidP_GetCaps(preparsed.get(), &caps) == HIDP_STATUS_SUCCESS) {
                c.usagePage = caps.UsagePage;
                c.usage = caps.Usage;
                c.featureReportByteLength = caps.FeatureReportByteLength;
            }
        }
        wchar_t product[PRODUCT_TEXT_CHARS + 1] = {};
        if (::HidD_GetProductString(device.Get(), product, sizeof product - sizeof(wchar_t))) {
            c.product = NarrowAscii(product, PRODUCT_TEXT_CHARS);
        }
        candidates.push_back(std::move(c));
    }
    return candidates;
}

MouseIdentity UsbIdentity(const std::string& collectionPath, const std::string& mousePath) {
    MouseIdentity identity;
    DEVINST node = 0;
    std::string id = mousePath;
    if (::CM_Locate_DevNodeA(&node, id.data(), CM_LOCATE_DEVNODE_NORMAL) == CR_SUCCESS) {
        char location[LOCATION_TEXT_CHARS + 1] = {};
        ULONG size = LOCATION_TEXT_CHARS;
        if (::CM_Get_DevNode_Registry_PropertyA(node, CM_DRP_LOCATION_INFORMATION, nullptr,
                                                location, &size, 0) == CR_SUCCESS) {
            identity.port = location;
        }
    }
    const UniqueFileHandle device = OpenForAttributes(collectionPath);
    wchar_t serial[PRODUCT_TEXT_CHARS + 1] = {};
    if (device.Valid() &&
        ::HidD_GetSerialNumberString(device.Get(), serial, sizeof serial - sizeof(wchar_t))) {
        identity.serial = NarrowAscii(serial, PRODUCT_TEXT_CHARS);
    }
    return identity;
}

UniqueFileHandle OpenHidInterface(const std::string& path, std::string& error) {
    UniqueFileHandle device(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, SHARE_ALL,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    if (device.Valid()) return device;
    const DWORD readWriteError = ::GetLastError();
    device = OpenForAttributes(path);
    if (!device.Valid()) {
        error = "cannot open " + path + ": " + SystemErrorText(readWriteError) +
                "; without access: " + SystemErrorText(::GetLastError());
    }
    return device;
}

}  // namespace talun::hiddriver
