#include "platform/SystemLibraryLoader.h"

#include <dlfcn.h>

#include <string>

namespace talun {
namespace {

class PosixLibrary final : public LoadedLibrary {
  public:
    explicit PosixLibrary(void* handle) : handle_(handle) {}
    PosixLibrary(const PosixLibrary&) = delete;
    PosixLibrary& operator=(const PosixLibrary&) = delete;
    ~PosixLibrary() override { ::dlclose(handle_); }

    void* Resolve(const char* name) const override {
        return name == nullptr ? nullptr : ::dlsym(handle_, name);
    }

  private:
    void* handle_;
};

class PosixLibraryLoader final : public LibraryLoader {
  public:
    std::unique_ptr<LoadedLibrary> Load(const std::string& fullPath) override {
        // dlopen looks a name without '/' up on the search path: only absolute
        // paths go to it. A NUL inside would silently shorten the path.
        if (fullPath.empty() || fullPath.front() != '/' ||
            fullPath.find('\0') != std::string::npos) {
            lastError_ = "not a full path: \"" + fullPath + "\"";
            return nullptr;
        }
        ::dlerror();  // forget any earlier error
        void* handle = ::dlopen(fullPath.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            const char* error = ::dlerror();
            lastError_ = error != nullptr ? error : "dlopen failed: " + fullPath;
            return nullptr;
        }
        lastError_.clear();
        return std::make_unique<PosixLibrary>(handle);
    }

    std::string LastError() const override { return lastError_; }

  private:
    std::string lastError_;
};

}  // namespace

std::unique_ptr<LibraryLoader> MakeSystemLibraryLoader() {
    return std::make_unique<PosixLibraryLoader>();
}

}  // namespace talun
