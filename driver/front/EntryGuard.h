// The exception guard around every C entry point.
#pragma once

#include <exception>

#include "driver/front/HidDriver.h"

namespace talun::hiddriver {

// Runs call(TheDriver()). A C++ exception must not cross the C interface: it
// makes the call a failed one (onFailure), with the reason kept where the driver
// can keep it.
template <typename Call, typename Result>
Result Guarded(const char* entryPoint, Result onFailure, Call&& call) noexcept {
    try {
        return call(TheDriver());
    } catch (const std::exception& e) {
        try {
            TheDriver().NoteException(entryPoint, e.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            TheDriver().NoteException(entryPoint, "unknown exception");
        } catch (...) {
        }
    }
    return onFailure;
}

}  // namespace talun::hiddriver
