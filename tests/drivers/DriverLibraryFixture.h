// A copy of the built driver library in a directory of its own, beside an
// hiddriver.ini of the test's choosing, loaded by full path as the tool loads it.
// Each copy is a separate instance of the library with its own state.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#include "device/HidDriverApi.h"

namespace talun::hiddriver::test {

namespace fs = std::filesystem;

typedef int (*LastErrorTextFn)(char* text, int capacity);

#ifdef _WIN32
inline constexpr const char* LIBRARY_FILE = "hiddriver.dll";
#else
inline constexpr const char* LIBRARY_FILE = "libhiddriver.so";
#endif

// Where the build put the library: HIDDRIVER_DIR_FROM_TEST is relative to the
// directory of the test program, so the same build tree works under Wine.
inline fs::path BuiltLibraryDirectory() {
#ifdef _WIN32
    std::wstring name(32768, L'\0');
    name.resize(::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size())));
    const fs::path self(name);
#else
    const fs::path self = fs::read_symlink("/proc/self/exe");
#endif
    return (self.parent_path() / HIDDRIVER_DIR_FROM_TEST).lexically_normal();
}

// Waits for a condition, polling, up to a generous limit.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// hiddriver.ini text for a mouse with these identifiers.
inline std::string IniFor(const char* vendorId, const char* productId,
                          const std::string& more = "") {
    return std::string("[Device]\nVendorId=") + vendorId + "\nProductId=" + productId + "\n" + more;
}

// A directory that goes with its contents when the test is done.
class ScratchDirectory {
  public:
    ScratchDirectory() {
        static std::atomic<int> counter{0};
#ifdef _WIN32
        const unsigned long pid = ::GetCurrentProcessId();
#else
        const unsigned long pid = static_cast<unsigned long>(::getpid());
#endif
        path_ = fs::temp_directory_path() /
                ("talun-hiddriver-test-" + std::to_string(pid) + "-" + std::to_string(counter++));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const fs::path& Path() const {
        return path_;
    }

  private:
    fs::path path_;
};

// A library loaded by full path, released when it goes.
class LoadedModule {
  public:
    explicit LoadedModule(const fs::path& library) {
#ifdef _WIN32
        handle_ = ::LoadLibraryW(library.wstring().c_str());
#else
        handle_ = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
        if (handle_ == nullptr) throw std::runtime_error("cannot load " + library.string());
    }
    ~LoadedModule() {
#ifdef _WIN32
        ::FreeLibrary(static_cast<HMODULE>(handle_));
#else
        ::dlclose(handle_);
#endif
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    template <typename Fn>
    Fn Resolve(const char* name) const {
#ifdef _WIN32
        void* address =
            reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
        void* address = ::dlsym(handle_, name);
#endif
        if (address == nullptr) throw std::runtime_error(std::string("no entry point ") + name);
        return reinterpret_cast<Fn>(address);
    }

  private:
    void* handle_ = nullptr;
};

class DriverCopy {
  public:
    // ini: the text of hiddriver.ini beside the copy; nullopt for none at all;
    // SHIPPED for the file the build put beside the library.
    static constexpr const char* SHIPPED = "<shipped>";

    explicit DriverCopy(const std::optional<std::string>& ini)
        : module_(PlaceLibrary(directory_.Path(), ini)),
          openMonitor(module_.Resolve<OpenDevMonitorFn>("Open_DevMonitor")),
          closeMonitor(module_.Resolve<CloseDevMonitorFn>("Close_DevMonitor")),
          openDevice(module_.Resolve<OpenFeatureDeviceFn>("Open_FeatureDevice")),
          closeDevice(module_.Resolve<CloseFeatureDeviceFn>("Close_FeatureDevice")),
          setFeature(module_.Resolve<SetFeatureFn>("SetFeature")),
          getFeature(module_.Resolve<GetFeatureFn>("GetFeature")),
          listDevices(module_.Resolve<ListDevicesFn>("List_HidDevices")),
          lastErrorText(module_.Resolve<LastErrorTextFn>("Get_LastErrorText")) {}

    DriverCopy(const DriverCopy&) = delete;
    DriverCopy& operator=(const DriverCopy&) = delete;

    std::string LastError() const {
        char text[1024];
        lastErrorText(text, sizeof text);
        return text;
    }

  private:
    static fs::path PlaceLibrary(const fs::path& directory, const std::optional<std::string>& ini) {
        const fs::path built = BuiltLibraryDirectory();
        fs::copy_file(built / LIBRARY_FILE, directory / LIBRARY_FILE);
        if (ini && *ini == SHIPPED) {
            fs::copy_file(built / "hiddriver.ini", directory / "hiddriver.ini");
        } else if (ini) {
            std::ofstream(directory / "hiddriver.ini", std::ios::binary) << *ini;
        }
        return directory / LIBRARY_FILE;
    }

    // Declared first: made first, gone last.
    ScratchDirectory directory_;
    LoadedModule module_;

  public:
    OpenDevMonitorFn openMonitor;
    CloseDevMonitorFn closeMonitor;
    OpenFeatureDeviceFn openDevice;
    CloseFeatureDeviceFn closeDevice;
    SetFeatureFn setFeature;
    GetFeatureFn getFeature;
    ListDevicesFn listDevices;
    LastErrorTextFn lastErrorText;
};

}  // namespace talun::hiddriver::test
