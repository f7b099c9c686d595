// Keeps count of what became of the reports a command sent and of the reads it
// made, so that the command line can say whether a test command reached the
// mouse. The core's test commands never look at these outcomes themselves.
#pragma once

#include <functional>
#include <string>

#include "device/DeviceAccess.h"

namespace talun::production {

struct TransferCounts {
    int written = 0;         // reports the library took
    int refused = 0;         // reports the library refused
    int unacknowledged = 0;  // written, but the last status read after them was not Done
    int reads = 0;           // reads of a report other than the status
    int failedReads = 0;     // of those, the ones that failed

    bool AllWell() const { return refused == 0 && unacknowledged == 0 && failedReads == 0; }
};

class TransferCheck final : public ForwardingDeviceAccess {
  public:
    explicit TransferCheck(DeviceAccess& inner) : ForwardingDeviceAccess(inner) {}

    int SetFeature(uint8_t* report, int length) override;
    int GetFeature(uint8_t* buffer, int length) override;

    // The counts so far, the acknowledgement of the last write included.
    TransferCounts Counts() const;
    // How the acknowledgement of the last write went wrong: "error status N",
    // "busy" (it never left Busy) or "status unreadable"; empty when it was
    // Done or no write was taken.
    std::string AcknowledgeProblem() const;

    // Where the driver library's reason for a failed transfer comes from (for a
    // station, the slot's own error text); without it no reason is kept.
    void ReasonFrom(std::function<std::string()> reason) { reason_ = std::move(reason); }
    // The library's reason for the last failed transfer since the last write
    // began; empty when none failed or the library gave none.
    const std::string& DriverReason() const { return driverReason_; }

  private:
    TransferCounts counts_;
    bool awaitingAcknowledge_ = false;  // a write was taken since the last count
    int lastStatus_ = 0;                // the last status the mouse reported after it
    bool statusRead_ = false;           // a status was read since that write
    std::function<std::string()> reason_;
    std::string driverReason_;
};

}  // namespace talun::production
