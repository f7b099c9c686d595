#include "device/TransferTrace.h"

#include <algorithm>
#include <utility>

#include "device/TraceFormat.h"

namespace talun {

namespace {

std::size_t Count(int length) {
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

}  // namespace

TracingDeviceAccess::TracingDeviceAccess(DeviceAccess& inner, const Clock& clock, TraceSink sink)
    : ForwardingDeviceAccess(inner), clock_(clock), sink_(std::move(sink)) {}

void TracingDeviceAccess::Write(TraceLine line) const {
    if (!sink_) return;
    line.atMs = clock_.NowMs();
    sink_(FormatTraceLine(line));
}

void TracingDeviceAccess::OpenDevMonitor(HidWindow window, unsigned inputMessage,
                                         unsigned plugMessage) {
    ForwardingDeviceAccess::OpenDevMonitor(window, inputMessage, plugMessage);
    TraceLine line(TraceKind::OpenMonitor);
    line.inputMessage = inputMessage;
    line.plugMessage = plugMessage;
    Write(std::move(line));
}

void TracingDeviceAccess::CloseDevMonitor() {
    ForwardingDeviceAccess::CloseDevMonitor();
    Write(TraceLine(TraceKind::CloseMonitor));
}

int TracingDeviceAccess::OpenFeatureDevice() {
    TraceLine line{TraceKind::OpenDevice};
    line.result = ForwardingDeviceAccess::OpenFeatureDevice();
    Write(line);
    return line.result;
}

void TracingDeviceAccess::CloseFeatureDevice() {
    ForwardingDeviceAccess::CloseFeatureDevice();
    Write(TraceLine(TraceKind::CloseDevice));
}

int TracingDeviceAccess::SetFeature(uint8_t* report, int length) {
    TraceLine line{TraceKind::SetFeature};
    line.length = length;
    // The bytes as handed over, before the library can touch them.
    if (report != nullptr) line.bytes.assign(report, report + Count(length));
    line.result = ForwardingDeviceAccess::SetFeature(report, length);
    const int result = line.result;
    Write(std::move(line));
    return result;
}

int TracingDeviceAccess::GetFeature(uint8_t* buffer, int length) {
    TraceLine line{TraceKind::GetFeature};
    line.length = length;
    line.result = ForwardingDeviceAccess::GetFeature(buffer, length);
    // After a failed read only the wanted ID means anything.
    const std::size_t count = line.result ? Count(length) : std::min<std::size_t>(Count(length), 1);
    if (buffer != nullptr) line.bytes.assign(buffer, buffer + count);
    const int result = line.result;
    Write(std::move(line));
    return result;
}

TracingClock::TracingClock(Clock& inner, TraceSink sink) : inner_(inner), sink_(std::move(sink)) {}

void TracingClock::Sleep(uint32_t milliseconds) {
    if (sink_) {
        TraceLine line{TraceKind::Sleep, inner_.NowMs()};
        line.sleepMs = milliseconds;
        sink_(FormatTraceLine(line));
    }
    inner_.Sleep(milliseconds);
}

}  // namespace talun
