// A library under test, loaded by full path through the product's own loader
// (platform/SystemLibraryLoader.h), as the tool loads a driver library.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

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

}  // namespace talun::test
