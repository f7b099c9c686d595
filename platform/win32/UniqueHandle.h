// Owners of Windows kernel handles, each named by what "no handle" means for it:
// most functions that make a handle return null on failure, CreateFile returns
// INVALID_HANDLE_VALUE. The owner closes what it holds on every path.
#pragma once

#include <windows.h>

#include <utility>

namespace talun {

// Null means none: events, mutexes, threads, processes.
struct NullHandleTraits {
    static HANDLE Empty() { return nullptr; }
};

// INVALID_HANDLE_VALUE means none: files, devices and pipes from CreateFile.
struct InvalidHandleTraits {
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
};

template <typename Traits>
class BasicUniqueHandle {
  public:
    BasicUniqueHandle() = default;
    explicit BasicUniqueHandle(HANDLE handle) : handle_(handle) {}
    BasicUniqueHandle(BasicUniqueHandle&& other) noexcept : handle_(other.Release()) {}
    BasicUniqueHandle& operator=(BasicUniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    BasicUniqueHandle(const BasicUniqueHandle&) = delete;
    BasicUniqueHandle& operator=(const BasicUniqueHandle&) = delete;
    ~BasicUniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != Traits::Empty(); }
    explicit operator bool() const { return Valid(); }
    // Gives the handle up without closing it.
    HANDLE Release() { return std::exchange(handle_, Traits::Empty()); }
    void Reset(HANDLE handle = Traits::Empty()) {
        if (Valid()) ::CloseHandle(handle_);
        handle_ = handle;
    }
    // For functions that hand a new handle out through a pointer.
    HANDLE* Put() {
        Reset();
        return &handle_;
    }

  private:
    HANDLE handle_ = Traits::Empty();
};

using UniqueHandle = BasicUniqueHandle<NullHandleTraits>;
using UniqueFileHandle = BasicUniqueHandle<InvalidHandleTraits>;

}  // namespace talun
