// Reading the simulated mouse's trace: the writes and reads of one command.
#pragma once

#include <vector>

#include "tests/app/e2e/Files.h"

namespace talun::e2e {

using Transfers = std::vector<TraceLine>;

// The writes (set) of a trace, in order.
Transfers Writes(const Transfers& trace);
// The reads (get) of this length.
Transfers Reads(const Transfers& trace, int length);
// Writes of one report ID.
int CountWrites(const Transfers& trace, uint8_t reportId);

// Waits until the trace holds at least count entries; the trace then.
Transfers WaitForTrace(const ToolFolder& folder, size_t count, uint32_t timeoutMs);

}  // namespace talun::e2e
