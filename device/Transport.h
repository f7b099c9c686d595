// Moving feature reports, and the acknowledgement wait after every write.
#pragma once

#include <cstdint>
#include <vector>

#include "device/DeviceAccess.h"
#include "platform/Clock.h"

namespace talun {

// A report: byte 0 the report ID; its size is the length handed to the library.
using Report = std::vector<uint8_t>;

// A zero-filled report of length bytes with the ID in byte 0.
Report MakeReport(uint8_t reportId, int length);

// Hands the report to the library's SetFeature; its result unchanged (nonzero: written).
int SendFeatureReport(DeviceAccess& device, const Report& report);

// Hands buffer (byte 0 the wanted ID) to GetFeature; its result unchanged
// (nonzero: read, the report now stands in buffer).
int ReadFeatureReport(DeviceAccess& device, Report& buffer);

// The sleep before status read number attempt (0-based).
uint32_t AcknowledgeDelay(int attempt, uint32_t firstDelayMs);

// Polls the status report until the mouse is no longer Busy, at most ten reads,
// sleeping firstDelayMs, 1000, 1500, then 2000 ms before them. 1 when the mouse
// reported Done, else 0.
int WaitForAcknowledge(DeviceAccess& device, Clock& clock, uint32_t firstDelayMs);

}  // namespace talun
