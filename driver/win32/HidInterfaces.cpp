#include "driver/win32/HidInterfaces.h"

namespace talun::hiddriver {
namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ULONG PRODUCT_TEXT_CHARS = 127;  // USB string descriptors hold at most 126

GUID HidGuid() {
    GUID guid;
    ::HidD_GetHidGuid(&guid);
    return guid;
}

UniqueFileHandle OpenForAttributes(const std::string& path) {
    return UniqueFileHandle(
        ::CreateFileA(path.c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr));
}

}  // namespace

std::string NarrowAscii(const wchar_t* text, std::size_t maxChars) {
    std::string narrow;
    for (std::size_t i = 0; i < maxChars && text[i] != L'\0'; ++i) {
        narrow += (text[i] > 0 && text[i] < 0x80) ? static_cast<char>(text[i]) : '?';
    }
    return narrow;
}

std::vector<std::string> HidInterfacePaths(std::string& error) {
    std::vector<std::string> paths;
    GUID guid = HidGuid();
    const UniqueDeviceInfoList set(
        ::SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (set.get() == INVALID_HANDLE_VALUE) {
        error = "SetupDiGetClassDevs: " + SystemErrorText(::GetLastError());
        return paths;
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
        DWORD required = 0;
        ::SetupDiGetDeviceInterfaceDetailA(set.get(), &data, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
        std::vector<char> buffer(required);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (::SetupDiGetDeviceInterfaceDetailA(set.get(), &data, detail, required, nullptr,
                                               nullptr)) {
            paths.emplace_back(detail->DevicePath);
        }
    }
    return paths;
}

std::vector<HidCandidate> EnumerateHidInterfaces(uint16_t vendorId, uint16_t productId,
                                                 std::string& error) {
    std::vector<HidCandidate> candidates;
    const bool filtered = vendorId != 0 || productId != 0;
    for (const std::string& path : HidInterfacePaths(error)) {
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
