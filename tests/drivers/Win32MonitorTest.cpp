// The Windows monitor's handling of HID interface notifications. Without a mouse,
// the test hands the monitor's window the notifications that Windows sends when
// a composite mouse's interfaces come and go, and watches what reaches the tool's
// window.
#include <windows.h>
// clang-format off
#include <dbt.h>
extern "C" {
#include <hidsdi.h>
}
// clang-format on

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/win32/MonitorWindowClass.h"
#include "tests/drivers/DriverLibraryFixture.h"
#include "tests/drivers/ProcessResources.h"

namespace talun::hiddriver::test {
namespace {

constexpr unsigned INPUT_MESSAGE = WM_HID_INPUT_EVENT;
constexpr unsigned PLUG_MESSAGE = WM_HID_PLUG_EVENT;

const std::wstring MOUSE_POINTER =
    L"\\\\?\\HID#VID_1234&PID_5678&MI_00#8&1&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const std::wstring MOUSE_VENDOR =
    L"\\\\?\\hid#vid_1234&pid_5678&mi_01&col02#8&2&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}";
const std::wstring OTHER_PRODUCT =
    L"\\\\?\\HID#VID_1234&PID_9999#7&3&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// Hands the monitor's window one device interface notification, as Windows does.
void Notify(HWND monitor, WPARAM event, const std::wstring& path, bool hidClass = true) {
    const std::size_t size =
        offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (path.size() + 1) * sizeof(wchar_t);
    std::vector<unsigned char> bytes(size, 0);
    auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    broadcast->dbcc_size = static_cast<DWORD>(size);
    broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    if (hidClass) ::HidD_GetHidGuid(&broadcast->dbcc_classguid);
    std::memcpy(broadcast->dbcc_name, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    ::SendMessageW(monitor, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast));
}

class Win32Monitor : public ::testing::Test {
  protected:
    void Open(const std::string& ini) {
        driver_.emplace(ini);
        driver_->Open_DevMonitor(target_.Handle(), INPUT_MESSAGE, PLUG_MESSAGE);
        ASSERT_EQ(driver_->LastError(), "");
        monitor_ = ::FindWindowExW(HWND_MESSAGE, nullptr, MONITOR_WINDOW_CLASS, nullptr);
        ASSERT_NE(monitor_, nullptr);
    }
    void TearDown() override {
        if (driver_) driver_->Close_DevMonitor();
    }

    MonitorTarget target_;
    std::optional<DriverCopy> driver_;
    HWND monitor_ = nullptr;
};

TEST_F(Win32Monitor, OneAttachWhenTheFirstInterfaceArrivesOneDetachWhenTheLastLeaves) {
    Open(IniFor("1234", "5678"));
    Notify(monitor_, DBT_DEVICEARRIVAL, OTHER_PRODUCT);
    Notify(monitor_, DBT_DEVICEARRIVAL, MOUSE_POINTER);
    Notify(monitor_, DBT_DEVICEARRIVAL, MOUSE_VENDOR);
    ASSERT_TRUE(target_.WaitFor(1));
    Notify(monitor_, DBT_DEVICEREMOVECOMPLETE, MOUSE_POINTER);
    Notify(monitor_, DBT_DEVICEREMOVECOMPLETE, OTHER_PRODUCT);
    Notify(monitor_, DBT_DEVICEREMOVECOMPLETE, MOUSE_VENDOR);
    ASSERT_TRUE(target_.WaitFor(2));
    // Plugged in again: attached again.
    Notify(monitor_, DBT_DEVICEARRIVAL, MOUSE_VENDOR);
    ASSERT_TRUE(target_.WaitFor(3));

    const std::vector<Message> expected = {{PLUG_MESSAGE, 1}, {PLUG_MESSAGE, 0}, {PLUG_MESSAGE, 1}};
    EXPECT_EQ(target_.Received(), expected);
}

TEST_F(Win32Monitor, OnlyTheConfiguredInterfaceCountsAndOtherNotificationsAreIgnored) {
    Open(IniFor("1234", "5678", "Interface=1\n"));
    Notify(monitor_, DBT_DEVICEARRIVAL, MOUSE_POINTER);         // interface 0
    Notify(monitor_, DBT_DEVICEARRIVAL, MOUSE_VENDOR, false);   // not the HID class
    Notify(monitor_, DBT_DEVICEQUERYREMOVE, MOUSE_VENDOR);      // not an arrival or removal
    Notify(monitor_, DBT_DEVICEREMOVECOMPLETE, MOUSE_POINTER);  // never counted as arrived
    Notify(monitor_, DBT_DEVICEARRIVAL, MOUSE_VENDOR);          // interface 1: the mouse
    ASSERT_TRUE(target_.WaitFor(1));
    const std::vector<Message> expected = {{PLUG_MESSAGE, 1}};
    EXPECT_EQ(target_.Received(), expected);
}

TEST_F(Win32Monitor, PlaceholderIdentifiersMatchNoDevice) {
    driver_.emplace(DriverCopy::SHIPPED);
    driver_->Open_DevMonitor(target_.Handle(), INPUT_MESSAGE, PLUG_MESSAGE);
    monitor_ = ::FindWindowExW(HWND_MESSAGE, nullptr, MONITOR_WINDOW_CLASS, nullptr);
    ASSERT_NE(monitor_, nullptr);
    Notify(monitor_, DBT_DEVICEARRIVAL,
           L"\\\\?\\HID#VID_0000&PID_0000#1#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    Notify(monitor_, DBT_DEVICEARRIVAL, MOUSE_VENDOR);
    driver_->Close_DevMonitor();  // the monitor's window is gone: everything it posted is queued
    EXPECT_EQ(target_.Received().size(), 0u);
}

}  // namespace
}  // namespace talun::hiddriver::test
