// A driver library under test, loaded by full path through the product's own
// loader and binding (device/DriverLibrary.h), as the tool loads it: every entry
// point of the contract's list, named as the entry point, empty when the
// library has no optional one.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "device/DriverLibrary.h"
#include "platform/SystemLibraryLoader.h"

namespace talun::test {

// The loaded library; throws, with the reason, when it does not load or lacks
// one of the six.
struct LoadedDriver {
    explicit LoadedDriver(const std::string& fullPath) : loader(MakeSystemLibraryLoader()) {
        if (!library.Load(*loader, fullPath) || !library.Problem().empty())
            throw std::runtime_error(library.Problem());
    }
    std::unique_ptr<LibraryLoader> loader;
    DriverLibrary library;
};

class DriverUnderTest : private LoadedDriver, public DriverEntryPoints {
  public:
    explicit DriverUnderTest(const std::string& fullPath)
        : LoadedDriver(fullPath), DriverEntryPoints(library.Slots()) {}

    // The product's binding of the library, for what it makes of the entry points.
    DriverLibrary& Library() { return library; }
    const DriverLibrary& Library() const { return library; }
};

}  // namespace talun::test
