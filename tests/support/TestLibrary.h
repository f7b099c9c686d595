// A library under test, loaded by full path through the product's own loader
// (platform/SystemLibraryLoader.h), as the tool loads a driver library.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "device/HidDriverApi.h"
#include "platform/SystemLibraryLoader.h"

namespace talun::test {

class TestLibrary {
  public:
    // Throws, with the loader's reason, when the library does not load.
    explicit TestLibrary(const std::string& fullPath) : loader_(MakeSystemLibraryLoader()) {
        library_ = loader_->Load(fullPath);
        if (!library_)
            throw std::runtime_error("cannot load " + fullPath + ": " + loader_->LastError());
    }

    // The entry point, as Fn; throws when the library has none of that name.
    template <typename Fn>
    Fn Resolve(const char* name) const {
        void* address = library_->Resolve(name);
        if (address == nullptr) throw std::runtime_error(std::string("no entry point ") + name);
        return reinterpret_cast<Fn>(address);
    }

  private:
    std::unique_ptr<LibraryLoader> loader_;
    std::unique_ptr<LoadedLibrary> library_;
};

// A driver library under test with its six entry points resolved; a library
// without one of them does not load.
class DriverUnderTest {
  public:
    explicit DriverUnderTest(const std::string& fullPath)
        : library_(fullPath),
          openMonitor(library_.Resolve<OpenDevMonitorFn>("Open_DevMonitor")),
          closeMonitor(library_.Resolve<CloseDevMonitorFn>("Close_DevMonitor")),
          openDevice(library_.Resolve<OpenFeatureDeviceFn>("Open_FeatureDevice")),
          closeDevice(library_.Resolve<CloseFeatureDeviceFn>("Close_FeatureDevice")),
          setFeature(library_.Resolve<SetFeatureFn>("SetFeature")),
          getFeature(library_.Resolve<GetFeatureFn>("GetFeature")) {}

    // An optional entry point, as Fn; throws when the library has none.
    template <typename Fn>
    Fn Resolve(const char* name) const {
        return library_.Resolve<Fn>(name);
    }

  private:
    TestLibrary library_;

  public:
    OpenDevMonitorFn openMonitor;
    CloseDevMonitorFn closeMonitor;
    OpenFeatureDeviceFn openDevice;
    CloseFeatureDeviceFn closeDevice;
    SetFeatureFn setFeature;
    GetFeatureFn getFeature;
};

}  // namespace talun::test
