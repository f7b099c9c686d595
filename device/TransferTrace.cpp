#include "device/TransferTrace.h"

#include <cstdio>
#include <utility>

namespace talun {

namespace {

std::string Stamp(const Clock& clock) {
    char text[32];
    std::snprintf(text, sizeof text, "%8llu ", static_cast<unsigned long long>(clock.NowMs()));
    return text;
}

}  // namespace

std::string HexBytes(const uint8_t* data, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i) text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0xF];
    }
    return text;
}

TracingDeviceAccess::TracingDeviceAccess(DeviceAccess& inner, const Clock& clock, TraceSink sink)
    : ForwardingDeviceAccess(inner), clock_(clock), sink_(std::move(sink)) {}

void TracingDeviceAccess::Write(const std::string& text) const {
    if (sink_) sink_(Stamp(clock_) + text);
}

void TracingDeviceAccess::OpenDevMonitor(HidWindow window, unsigned inputMessage,
                                         unsigned plugMessage) {
    ForwardingDeviceAccess::OpenDevMonitor(window, inputMessage, plugMessage);
    Write("OPEN MONITOR input=" + std::to_string(inputMessage) +
          " plug=" + std::to_string(plugMessage));
}

void TracingDeviceAccess::CloseDevMonitor() {
    ForwardingDeviceAccess::CloseDevMonitor();
    Write("CLOSE MONITOR");
}

int TracingDeviceAccess::OpenFeatureDevice() {
    const int result = ForwardingDeviceAccess::OpenFeatureDevice();
    Write("OPEN DEVICE -> " + std::to_string(result));
    return result;
}

void TracingDeviceAccess::CloseFeatureDevice() {
    ForwardingDeviceAccess::CloseFeatureDevice();
    Write("CLOSE DEVICE");
}

int TracingDeviceAccess::SetFeature(uint8_t* report, int length) {
    // Record the bytes as handed over, before the library can touch them.
    const std::string bytes = HexBytes(report, length > 0 ? static_cast<std::size_t>(length) : 0);
    const int result = ForwardingDeviceAccess::SetFeature(report, length);
    Write("SET len=" + std::to_string(length) + " -> " + std::to_string(result) + " | " + bytes);
    return result;
}

int TracingDeviceAccess::GetFeature(uint8_t* buffer, int length) {
    const int result = ForwardingDeviceAccess::GetFeature(buffer, length);
    const std::size_t count = length > 0 ? static_cast<std::size_t>(length) : 0;
    Write("GET len=" + std::to_string(length) + " -> " + std::to_string(result) + " | " +
          (result ? HexBytes(buffer, count) : HexBytes(buffer, count > 0 ? 1 : 0)));
    return result;
}

TracingClock::TracingClock(Clock& inner, TraceSink sink) : inner_(inner), sink_(std::move(sink)) {}

void TracingClock::Sleep(uint32_t milliseconds) {
    if (sink_) sink_(Stamp(inner_) + "SLEEP " + std::to_string(milliseconds));
    inner_.Sleep(milliseconds);
}

}  // namespace talun
