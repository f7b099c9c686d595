#include "tests/vhid/Bench.h"

extern "C" {
#include <hidsdi.h>
}
#include <setupapi.h>

#include <cstdio>
#include <sstream>

#include "tests/app/e2e/Wait.h"
#include "tests/support/FileText.h"
#include "tests/vhid/VirtualMouseDevice.h"
#include "tests/vhid/VirtualMouseIds.h"

namespace talun::vhid {
namespace {

constexpr uint32_t WAIT_PLUG_MS = 60000;

void SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& value) {
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The parameters key of the mouse's service, created when missing.
HKEY OpenParameters() {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, VMOUSE_PARAMETERS_KEY, 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr);
    return key;
}

bool IsVirtualMouse(const char* path) {
    const HANDLE device = ::CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    const bool match = ::HidD_GetAttributes(device, &attributes) &&
                       attributes.VendorID == VENDOR_ID && attributes.ProductID == PRODUCT_ID;
    ::CloseHandle(device);
    return match;
}

std::string Described(const char* call, DWORD code) {
    return std::string(call) + " failed: error " + std::to_string(code);
}

}  // namespace

std::string TestIni() {
    char text[160];
    std::snprintf(text, sizeof text,
                  "[Device]\nVendorId=%04x\nProductId=%04x\nUsagePage=ff00\nUsage=0001\n"
                  "MinFeatureReportLength=1034\n",
                  VENDOR_ID, PRODUCT_ID);
    return text;
}

fs::path TestProgramDirectory() {
    std::wstring name(32768, L'\0');
    name.resize(::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size())));
    return fs::path(name).parent_path();
}

bool CollectionPresent() {
    GUID guid;
    ::HidD_GetHidGuid(&guid);
    const HDEVINFO set =
        ::SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD i = 0; !found && ::SetupDiEnumDeviceInterfaces(set, nullptr, &guid, i, &data); ++i) {
        DWORD required = 0;
        ::SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
        if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
        std::vector<char> buffer(required);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (::SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr))
            found = IsVirtualMouse(detail->DevicePath);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return found;
}

VirtualMouse::VirtualMouse(fs::path logFile) : logFile_(std::move(logFile)) {
    Unplug();
    fs::remove(logFile_);
    SetAnswers(Answers{});
    if (const HKEY key = OpenParameters()) {
        SetNumber(key, L"VendorId", VENDOR_ID);
        SetNumber(key, L"ProductId", PRODUCT_ID);
        SetText(key, L"LogFile", L"\\??\\" + fs::absolute(logFile_).wstring());
        ::RegCloseKey(key);
    }
}

VirtualMouse::~VirtualMouse() {
    Unplug();
}

void VirtualMouse::SetAnswers(const Answers& answers) const {
    if (const HKEY key = OpenParameters()) {
        SetNumber(key, L"BusyReads", answers.busyReads);
        SetNumber(key, L"FinalStatus", answers.finalStatus);
        SetNumber(key, L"OnlyAfterReport", answers.onlyAfterReport);
        ::RegCloseKey(key);
    }
}

bool VirtualMouse::PlugIn() {
    const std::wstring inf = (TestProgramDirectory() / VMOUSE_INF_FROM_TEST).wstring();
    const char* failedCall = "";
    if (const DWORD code = VmouseAdd(inf.c_str(), &failedCall)) {
        error_ = Described(failedCall, code);
        return false;
    }
    if (e2e::WaitFor(CollectionPresent, WAIT_PLUG_MS)) return true;
    error_ = "the mouse's HID collection did not appear";
    return false;
}

bool VirtualMouse::Unplug() {
    const char* failedCall = "";
    if (const DWORD code = VmouseRemove(&failedCall)) {
        error_ = Described(failedCall, code);
        return false;
    }
    if (e2e::WaitFor([] { return !CollectionPresent(); }, WAIT_PLUG_MS)) return true;
    error_ = "the mouse's HID collection did not go away";
    return false;
}

std::vector<LogEntry> VirtualMouse::Log() const {
    std::vector<LogEntry> entries;
    std::istringstream file(talun::test::ReadFileText(logFile_).value_or(""));
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        LogEntry entry;
        words >> entry.what;
        unsigned value = 0;
        while (words >> std::hex >> value) entry.bytes.push_back(static_cast<uint8_t>(value));
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<LogEntry> VirtualMouse::Transfers() const {
    std::vector<LogEntry> transfers;
    for (LogEntry& entry : Log()) {
        if (entry.what == "SET" || entry.what == "GET") transfers.push_back(std::move(entry));
    }
    return transfers;
}

}  // namespace talun::vhid
