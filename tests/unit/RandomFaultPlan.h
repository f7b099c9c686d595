// Random fault plans for the simulated mouse, for the properties over many runs,
// and what they compare: whether a mouse holds everything an update writes.
#pragma once

#include <random>

#include "driver/sim/SimMouse.h"
#include "update/FirmwareImage.h"

namespace talun::testing {

// Now and then absent; some refused writes, Busy answers, error or endless Busy
// statuses and failed reads. No unplug: each property adds its own.
inline sim::FaultPlan RandomFaultPlan(std::mt19937& random) {
    const uint8_t ids[] = {0x2A, 0x05, 0x06, 0x07, 0x08};
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    sim::FaultPlan plan;
    plan.absent = chance(3);
    for (uint8_t id : ids) {
        if (chance(8)) plan.refusedWrites.push_back({id, static_cast<int>(random() % 4)});
        if (chance(25)) plan.busyPolls[id] = static_cast<int>(random() % 12);
        if (chance(8)) plan.finalStatus[id] = static_cast<uint8_t>(random() % 4);
    }
    while (chance(15)) plan.failedReads.push_back(static_cast<int>(1 + random() % 40));
    return plan;
}

// The complete built-in image and the default settings with this breathing mode.
inline bool HoldsEverything(const sim::SimMouse& mouse, int breathingMode) {
    return mouse.HoldsCompleteImage(FirmwareImage::BuiltIn().Block()) &&
           mouse.HoldsDefaultSettings(breathingMode);
}

}  // namespace talun::testing
