#include "driver/win32/DeviceMonitor.h"

#include <cstddef>
#include <vector>

#include "driver/win32/HidInterfaces.h"
#include "driver/win32/MonitorWindowClass.h"

namespace talun::hiddriver {

DeviceMonitor::DeviceMonitor(Key, const DriverConfig& config, HWND target, UINT plugMessage,
                             MouseSlotNotes& notes)
    : config_(config), target_(target), plugMessage_(plugMessage), notes_(notes) {
    ::HidD_GetHidGuid(&hidGuid_);
}

std::unique_ptr<DeviceMonitor> DeviceMonitor::Start(const DriverConfig& config, HWND target,
                                                    UINT plugMessage, MouseSlotNotes& notes,
                                                    std::string& error) {
    auto self = std::make_unique<DeviceMonitor>(Key{}, config, target, plugMessage, notes);
    self->ready_ = UniqueHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!self->ready_.Valid()) {
        error = "CreateEvent: " + SystemErrorText(::GetLastError());
        return nullptr;
    }
    // The thread holds a reference to this library and drops it as it ends, so a
    // library released while the monitor still runs is not unloaded under it.
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&DeviceMonitor::WindowProc),
                              &self->module_)) {
        error = "GetModuleHandleEx: " + SystemErrorText(::GetLastError());
        return nullptr;
    }
    self->thread_ = UniqueHandle(
        ::CreateThread(nullptr, 0, &DeviceMonitor::ThreadMain, self.get(), 0, &self->threadId_));
    if (!self->thread_.Valid()) {
        error = "CreateThread: " + SystemErrorText(::GetLastError());
        ::FreeLibrary(self->module_);
        return nullptr;
    }
    ::WaitForSingleObject(self->ready_.Get(), INFINITE);
    if (self->window_ == nullptr) {
        error = self->startError_;
        return nullptr;  // the thread has ended or is ending; the destructor waits for it
    }
    return self;
}

DeviceMonitor::~DeviceMonitor() {
    if (!thread_.Valid()) return;
    if (window_ == nullptr || !::PostMessageW(window_, WM_CLOSE, 0, 0)) {
        ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    }
    ::WaitForSingleObject(thread_.Get(), INFINITE);
}

DWORD WINAPI DeviceMonitor::ThreadMain(void* param) {
    auto* self = static_cast<DeviceMonitor*>(param);
    const HMODULE module = self->module_;
    self->Run();
    ::FreeLibraryAndExitThread(module, 0);
    return 0;
}

void DeviceMonitor::Run() {
    const bool listening = Listen();
    ::SetEvent(ready_.Get());
    if (listening) {
        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) ::DispatchMessageW(&message);
    }
    ::UnregisterClassW(MONITOR_WINDOW_CLASS, module_);
}

bool DeviceMonitor::Listen() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &DeviceMonitor::WindowProc;
    windowClass.hInstance = module_;
    windowClass.lpszClassName = MONITOR_WINDOW_CLASS;
    if (!::RegisterClassExW(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        startError_ = "RegisterClassEx: " + SystemErrorText(::GetLastError());
        return false;
    }
    const HWND window = ::CreateWindowExW(0, MONITOR_WINDOW_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, module_, this);
    if (window == nullptr) {
        startError_ = "CreateWindowEx: " + SystemErrorText(::GetLastError());
        return false;
    }
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = hidGuid_;
    notification_.reset(
        ::RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    if (!notification_) {
        startError_ = "RegisterDeviceNotification: " + SystemErrorText(::GetLastError());
        ::DestroyWindow(window);
        return false;
    }
    NotePresent();
    window_ = window;
    return true;
}

// Mice may be plugged in already: their interfaces are noted (each mouse keeps or
// gets its slot), so that unplugging one is reported. Nothing is posted for them;
// the tool opens their feature channels at start-up by itself. Interface paths
// are noted in capitals: a removal may name the path in another case.
void DeviceMonitor::NotePresent() {
    std::string error;
    std::vector<MouseInterface> all = HidInterfaces(error);
    if (!error.empty() && all.empty()) return;  // not known: the slots stay as they are
    std::vector<MouseInterface> present;
    for (MouseInterface& seen : all) {
        const auto ids = ParseWindowsInterfacePath(seen.interfacePath);
        if (!ids || !MatchesMouse(config_, *ids)) continue;
        seen.interfacePath = InCapitals(seen.interfacePath);
        present.push_back(std::move(seen));
    }
    notes_.NotePresent(present);
}

LRESULT CALLBACK DeviceMonitor::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DeviceMonitor*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_DEVICECHANGE:
            if (self != nullptr) self->OnDeviceChange(wParam, lParam);
            return TRUE;
        case WM_CLOSE:
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            if (self != nullptr) self->notification_.reset();
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

void DeviceMonitor::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    if (!::IsEqualGUID(device->dbcc_classguid, hidGuid_)) return;
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (header->dbch_size <= nameOffset) return;
    const std::string path =
        NarrowAscii(device->dbcc_name, (header->dbch_size - nameOffset) / sizeof(wchar_t));

    if (event == DBT_DEVICEARRIVAL) {
        const auto ids = ParseWindowsInterfacePath(path);
        if (!ids || !MatchesMouse(config_, *ids)) return;
        if (const auto slot = notes_.NoteArrival({MouseOfInterface(path), InCapitals(path)})) {
            ::PostMessageW(target_, plugMessage_, 1, static_cast<LPARAM>(*slot));
        }
    } else if (const auto slot = notes_.NoteRemoval(InCapitals(path))) {
        ::PostMessageW(target_, plugMessage_, 0, static_cast<LPARAM>(*slot));
    }
}

}  // namespace talun::hiddriver
