#include "tests/app/e2e/Transfers.h"

#include "tests/app/e2e/Wait.h"

namespace talun::e2e {

Transfers Writes(const Transfers& trace) {
    Transfers writes;
    for (const auto& t : trace)
        if (t.kind == TraceKind::SetFeature) writes.push_back(t);
    return writes;
}

Transfers Reads(const Transfers& trace, int length) {
    Transfers reads;
    for (const auto& t : trace)
        if (t.kind == TraceKind::GetFeature && t.length == length) reads.push_back(t);
    return reads;
}

int CountWrites(const Transfers& trace, uint8_t reportId) {
    int count = 0;
    for (const auto& t : trace)
        if (t.kind == TraceKind::SetFeature && !t.bytes.empty() && t.bytes[0] == reportId) ++count;
    return count;
}

Transfers WaitForTrace(const ToolFolder& folder, size_t count, uint32_t timeoutMs) {
    Transfers trace;
    WaitFor([&] { return (trace = folder.Trace()).size() >= count; }, timeoutMs);
    return trace;
}

}  // namespace talun::e2e
