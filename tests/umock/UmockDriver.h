// The Linux driver library as it ships, copied beside an hiddriver.ini for the
// emulated mice and loaded by full path through the product's own binding.
#pragma once

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/drivers/DriverLibraryFixture.h"
#include "tests/support/GoldenFiles.h"
#include "tests/umock/EmulatedMouse.h"

namespace talun::umock {

// hiddriver.ini for the emulated mice's identifiers.
inline const std::string MICE_INI = hiddriver::test::IniFor("7e57", "0005");

// The golden traces' image (not a placeholder: it may go to a real library) as
// a file for talun-r5's --firmware.
inline void WriteTestImage(const std::string& path) {
    const FirmwareImage image = testing::CountingImage();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.Block().data()), FIRMWARE_IMAGE_SIZE);
}

// The copy of the library for the emulated mice, with what the tests ask of it.
struct BoundDriver {
    explicit BoundDriver(const std::string& ini = MICE_INI) : copy(ini) {}

    // The slots that hold a mouse now; empty when the library says -1.
    std::vector<int> Slots() const {
        constexpr int CAPACITY = 16;
        int slots[CAPACITY] = {};
        const int count = copy.List_FeatureDeviceSlots(slots, CAPACITY);
        return count < 0 ? std::vector<int>{}
                         : std::vector<int>(slots, slots + std::min(count, CAPACITY));
    }
    std::string SlotError(int slot) const { return copy.Library().LastErrorTextSlot(slot); }

    hiddriver::test::DriverCopy copy;
};

}  // namespace talun::umock
