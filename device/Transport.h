// Moving feature reports, and the acknowledgement wait after every write.
#pragma once

#include <cstdint>

#include "device/DeviceAccess.h"
#include "platform/Clock.h"
#include "protocol/Report.h"

namespace talun {

// Retry schedule of the acknowledgement wait.
inline constexpr int ACK_MAX_READS = 10;
inline constexpr uint32_t ACK_SECOND_DELAY_MS = 1000;
inline constexpr uint32_t ACK_THIRD_DELAY_MS = 1500;
inline constexpr uint32_t ACK_LATER_DELAY_MS = 2000;

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
