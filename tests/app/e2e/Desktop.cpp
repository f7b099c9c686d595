#include "tests/app/e2e/Desktop.h"

#include <windows.h>

namespace talun::e2e {
namespace {

constexpr wchar_t DESKTOP_NAME[] = L"TalunE2E";

std::wstring& Name() {
    static std::wstring name;  // set once, before any test runs
    return name;
}

}  // namespace

bool UseOwnDesktop() {
    const HDESK desktop = ::CreateDesktopW(DESKTOP_NAME, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop == nullptr || !::SetThreadDesktop(desktop)) return false;
    wchar_t station[256] = {};
    DWORD needed = 0;
    ::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_NAME, station, sizeof station,
                                &needed);
    Name() = std::wstring(station) + L"\\" + DESKTOP_NAME;
    return true;
}

const std::wstring& OwnDesktopName() {
    return Name();
}

}  // namespace talun::e2e
