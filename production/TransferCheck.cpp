#include "production/TransferCheck.h"

#include "protocol/StatusReport.h"

namespace talun::production {

int TransferCheck::SetFeature(uint8_t* report, int length) {
    counts_ = Counts();
    awaitingAcknowledge_ = false;
    driverReason_.clear();
    const int result = ForwardingDeviceAccess::SetFeature(report, length);
    if (!result && reason_) driverReason_ = reason_();
    if (result) {
        ++counts_.written;
        awaitingAcknowledge_ = true;
        lastStatus_ = 0;
        statusRead_ = false;
    } else {
        ++counts_.refused;
    }
    return result;
}

int TransferCheck::GetFeature(uint8_t* buffer, int length) {
    const bool statusRead = length == LENGTH_STATUS && buffer != nullptr &&
                            buffer[0] == REPORT_STATUS && awaitingAcknowledge_;
    const int result = ForwardingDeviceAccess::GetFeature(buffer, length);
    if (!result && reason_) driverReason_ = reason_();
    if (statusRead) {
        if (result) {
            lastStatus_ = buffer[1];
            statusRead_ = true;
        }
    } else {
        ++counts_.reads;
        if (!result) ++counts_.failedReads;
    }
    return result;
}

TransferCounts TransferCheck::Counts() const {
    TransferCounts counts = counts_;
    if (awaitingAcknowledge_ && lastStatus_ != static_cast<int>(AckStatus::Done))
        ++counts.unacknowledged;
    return counts;
}

std::string TransferCheck::AcknowledgeProblem() const {
    if (!awaitingAcknowledge_ || lastStatus_ == static_cast<int>(AckStatus::Done)) return "";
    if (!statusRead_) return "status unreadable";
    if (lastStatus_ == static_cast<int>(AckStatus::Busy)) return "busy";
    return "error status " + std::to_string(lastStatus_);
}

}  // namespace talun::production
