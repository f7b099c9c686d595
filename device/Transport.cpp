#include "device/Transport.h"

#include "protocol/StatusReport.h"

namespace talun {

int SendFeatureReport(DeviceAccess& device, const Report& report) {
    // The library takes a writable buffer; give it a copy so the caller's report
    // stays as built.
    Report copy = report;
    return device.SetFeature(copy.data(), static_cast<int>(copy.size()));
}

int ReadFeatureReport(DeviceAccess& device, Report& buffer) {
    return device.GetFeature(buffer.data(), static_cast<int>(buffer.size()));
}

uint32_t AcknowledgeDelay(int attempt, uint32_t firstDelayMs) {
    switch (attempt) {
        case 0:
            return firstDelayMs;
        case 1:
            return ACK_SECOND_DELAY_MS;
        case 2:
            return ACK_THIRD_DELAY_MS;
        default:
            return ACK_LATER_DELAY_MS;
    }
}

int WaitForAcknowledge(DeviceAccess& device, Clock& clock, uint32_t firstDelayMs) {
    int attempts = 0;
    AckStatus status{0};  // the last status the mouse managed to report
    int result = 0;
    do {
        clock.Sleep(AcknowledgeDelay(attempts, firstDelayMs));
        Report buffer = MakeReport(REPORT_STATUS, LENGTH_STATUS);
        if (ReadFeatureReport(device, buffer)) {
            status = AckStatus{buffer[STATUS_ACK_OFFSET]};
            result = status == AckStatus::Done ? 1 : 0;
        } else {
            // A failed read after Busy counts as still Busy.
            result = 0;
        }
        ++attempts;
    } while (status == AckStatus::Busy && attempts < ACK_MAX_READS);
    return result;
}

}  // namespace talun
