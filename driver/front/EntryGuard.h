// The exception guard around every C entry point.
#pragma once

#include <exception>
#include <utility>

#include "driver/front/HidDriver.h"

namespace talun::hiddriver {

// Runs call(driver()). A C++ exception must not cross the C interface: it makes
// the call a failed one (onFailure), with the reason kept where the driver can
// keep it. driver() is called inside the guard: making the driver may throw too.
template <typename GetDriver, typename Call, typename Result>
Result GuardedOn(GetDriver&& driver, const char* entryPoint, Result onFailure,
                 Call&& call) noexcept {
    try {
        return call(driver());
    } catch (const std::exception& e) {
        try {
            driver().NoteException(entryPoint, e.what());
        } catch (...) {
        }
    } catch (...) {
        try {
            driver().NoteException(entryPoint, "unknown exception");
        } catch (...) {
        }
    }
    return onFailure;
}

// GuardedOn the library's one driver.
template <typename Call, typename Result>
Result Guarded(const char* entryPoint, Result onFailure, Call&& call) noexcept {
    return GuardedOn(TheDriver, entryPoint, onFailure, std::forward<Call>(call));
}

}  // namespace talun::hiddriver
