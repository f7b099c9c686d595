// The transfers of a trace (a golden trace, a --trace file), read as the tool's
// trace format reads them.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "device/TraceFormat.h"

namespace talun::testing {

// The SET and GET lines, in order; every other line is passed over.
inline std::vector<TraceLine> TransfersOf(const std::string& trace) {
    std::vector<TraceLine> transfers;
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
        const auto parsed = ParseTraceLine(line);
        if (parsed &&
            (parsed->kind == TraceKind::SetFeature || parsed->kind == TraceKind::GetFeature))
            transfers.push_back(*parsed);
    }
    return transfers;
}

}  // namespace talun::testing
