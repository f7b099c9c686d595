#include "platform/SystemLibraryLoader.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/SystemErrorText.h"

namespace talun {
namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// "X:\..." or a network path "\\server\share\...": the only paths that name one
// file whatever the current drive and directory are.
bool IsFullPath(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        return false;
    }
    const bool drive = path.size() >= 3 &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && IsSeparator(path[2]);
    const bool network = path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]);
    return drive || network;
}

// No "insert a disk" or "file not found" boxes while a library loads.
class QuietErrorMode {
  public:
    QuietErrorMode() {
        ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_);
    }
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;
    ~QuietErrorMode() { ::SetThreadErrorMode(previous_, nullptr); }

  private:
    DWORD previous_ = 0;
};

class Win32Library final : public LoadedLibrary {
  public:
    explicit Win32Library(HMODULE module) : module_(module) {}
    Win32Library(const Win32Library&) = delete;
    Win32Library& operator=(const Win32Library&) = delete;
    ~Win32Library() override { ::FreeLibrary(module_); }

    void* Resolve(const char* name) const override {
        if (name == nullptr) {
            return nullptr;
        }
        return reinterpret_cast<void*>(::GetProcAddress(module_, name));
    }

  private:
    HMODULE module_;
};

class Win32LibraryLoader final : public LibraryLoader {
  public:
    std::unique_ptr<LoadedLibrary> Load(const std::string& fullPath) override {
        // LoadLibrary looks a relative name up on the search path: never give it one.
        if (!IsFullPath(fullPath)) {
            lastError_ = "not a full path: \"" + fullPath + "\"";
            return nullptr;
        }
        // The altered search order wants backslashes.
        std::string path = fullPath;
        std::replace(path.begin(), path.end(), '/', '\\');
        HMODULE module = nullptr;
        DWORD error = 0;
        {
            QuietErrorMode quiet;
            // With a full path, the library's own dependencies are looked for in
            // its folder before anywhere else.
            module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
            error = ::GetLastError();
        }
        if (module == nullptr) {
            lastError_ = "LoadLibrary failed: error " + std::to_string(error) + " (" +
                         SystemErrorMessage(error) + ")";
            return nullptr;
        }
        lastError_.clear();
        return std::make_unique<Win32Library>(module);
    }

    std::string LastError() const override { return lastError_; }

  private:
    std::string lastError_;
};

}  // namespace

std::unique_ptr<LibraryLoader> MakeSystemLibraryLoader() {
    return std::make_unique<Win32LibraryLoader>();
}

}  // namespace talun
