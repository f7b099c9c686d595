// What a production log sums up to: the tally, the mice whose update was
// interrupted, the failures by step and how, and the mice per hour.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "production/LogRecords.h"

namespace talun::production {

// Milliseconds since 1970 of "2026-12-08T02:40:00.123Z" (the milliseconds may
// be left out); nothing for other text.
std::optional<int64_t> ParseUtcTimestamp(const std::string& text);

struct LogSummary {
    int updated = 0;
    int notUpdated = 0;
    std::vector<const LoggedMouse*> interrupted;                 // the log's mice
    std::map<std::string, std::map<std::string, int>> failures;  // step, then how
    std::optional<int64_t> firstStartMs, lastEndMs;

    void Add(const LoggedMouse& mouse);
};

// "A4 (port 1-1.4, serial R5-0001, lot L-17), started 2026-12-08T02:40:00.123Z".
std::string DescribeInterrupted(const LoggedMouse& mouse);
// The mice with an outcome per hour from the first start to the last end, e.g.
// "41.5"; "-" when that cannot be said.
std::string MicePerHour(const LogSummary& summary);

}  // namespace talun::production
