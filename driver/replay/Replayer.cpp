#include "driver/replay/Replayer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace talun::replay {

namespace {

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

std::string Where(std::size_t callNumber, const RecordedCall& call) {
    return "call " + std::to_string(callNumber) + ", line " + std::to_string(call.line) +
           " of the recording";
}

}  // namespace

Replayer Replayer::Failing(const std::string& errorText) {
    Replayer replayer{Recording{}};
    replayer.Diverge(errorText);
    return replayer;
}

void Replayer::Diverge(const std::string& text) {
    if (!diverged_) error_ = text;
    diverged_ = true;
}

const RecordedCall* Replayer::Next(TraceKind kind) {
    if (diverged_) return nullptr;
    const std::size_t number = next_ + 1;
    if (next_ >= recording_.calls.size()) {
        Diverge("call " + std::to_string(number) + " (" + TraceEntryPointName(kind) +
                ") is past the end of the recording, which has " +
                std::to_string(recording_.calls.size()) + " calls");
        return nullptr;
    }
    const RecordedCall& call = recording_.calls[next_++];
    if (call.kind != kind) {
        Diverge(Where(number, call) + ": the recording has " + TraceEntryPointName(call.kind) +
                ", the tool called " + TraceEntryPointName(kind));
        return nullptr;
    }
    return &call;
}

const RecordedCall* Replayer::OpenMonitor() {
    return Next(TraceKind::OpenMonitor);
}

int Replayer::OpenDevice() {
    const RecordedCall* call = Next(TraceKind::OpenDevice);
    return call ? call->result : 0;
}

int Replayer::SetFeature(const uint8_t* report, int length) {
    const std::size_t number = next_ + 1;
    const RecordedCall* call = Next(TraceKind::SetFeature);
    if (!call) return 0;
    const int id = report != nullptr && length > 0 ? report[0] : -1;
    if (report == nullptr || length != call->length ||
        call->bytes.size() != static_cast<std::size_t>(length)) {
        Diverge(Where(number, *call) + ": the recording writes " + std::to_string(call->length) +
                " bytes of report " + Hex2(call->bytes.empty() ? 0 : call->bytes[0]) +
                ", the tool " + std::to_string(length) + " bytes of report " +
                (id < 0 ? std::string("(none)") : Hex2(static_cast<unsigned>(id))));
        return 0;
    }
    const auto difference =
        std::mismatch(call->bytes.begin(), call->bytes.end(), report).first - call->bytes.begin();
    if (difference < length) {
        const std::size_t at = static_cast<std::size_t>(difference);
        Diverge("the write differs from the recording at byte " + std::to_string(at) +
                " of report " + Hex2(call->bytes[0]) + ": recorded " + Hex2(call->bytes[at]) +
                ", written " + Hex2(report[at]) + " (" + Where(number, *call) + ")");
        return 0;
    }
    return call->result;
}

int Replayer::GetFeature(uint8_t* buffer, int length) {
    const std::size_t number = next_ + 1;
    const RecordedCall* call = Next(TraceKind::GetFeature);
    if (!call) return 0;
    const unsigned wanted = call->bytes.empty() ? 0 : call->bytes[0];
    if (buffer == nullptr || length != call->length || buffer[0] != wanted) {
        Diverge(Where(number, *call) + ": the recording reads " + std::to_string(call->length) +
                " bytes of report " + Hex2(wanted) + ", the tool asked for " +
                std::to_string(length) + " bytes of report " +
                (buffer == nullptr ? std::string("(none)") : Hex2(buffer[0])));
        return 0;
    }
    if (call->result != 0 && call->bytes.size() == static_cast<std::size_t>(length))
        std::memcpy(buffer, call->bytes.data(), call->bytes.size());
    return call->result;
}

}  // namespace talun::replay
