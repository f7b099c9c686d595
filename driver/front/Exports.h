// The exports of a driver library, declared from the contract's one list: an
// entry point defined with other arguments or results does not compile. A
// library defines the ones it offers (EntryPoints.cpp and one file per optional
// entry point).
#pragma once

#include "driver/api/HidDriverApi.h"

extern "C" {
HIDDRIVER_ENTRY_POINTS(HIDDRIVER_DECLARE_EXPORT)
}
