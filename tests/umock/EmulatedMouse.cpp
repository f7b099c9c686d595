#include "tests/umock/EmulatedMouse.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "tests/umock/MouseDescriptor.h"

namespace talun::umock {
namespace {

// What a USB device answers to a control transfer it stalls.
constexpr int ERRNO_REFUSED = EPIPE;

// How many bytes of a padded report the mouse takes as the report: the
// protocol's length for its ID (the tool writes and reads no other).
std::size_t ProtocolLength(uint8_t id, bool write, std::size_t padded) {
    if (!write && id == REPORT_MAIN_SETTINGS)
        return std::min<std::size_t>(LENGTH_MAIN_SETTINGS_READ, padded);
    const FeatureLengths catalogue = CatalogueLengths();
    const auto found = catalogue.find(id);
    return found == catalogue.end() ? padded : std::min(found->second, padded);
}

}  // namespace

EmulatedMouse::EmulatedMouse(MouseSpec spec)
    : spec_(std::move(spec)), model_(clock_, spec_.faults) {
    if (spec_.descriptor.empty()) spec_.descriptor = MouseDescriptor();
    model_.SetPresent(false);
}

int EmulatedMouse::Fail(bool write, const uint8_t* data, std::size_t length, int error) {
    log_.push_back({write, std::vector<uint8_t>(data, data + length), error});
    return -error;
}

int EmulatedMouse::Write(const uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_) return Fail(true, data, length, ENODEV);
    const std::size_t taken = ProtocolLength(data[0], true, length);
    const int moved = model_.SetFeature(data, static_cast<int>(taken));
    if (!model_.IsPresent()) {  // its fault plan unplugs it: nothing answers from now on
        plugged_ = false;
        left_ = true;
    }
    if (moved == 0) return Fail(true, data, length, plugged_ ? ERRNO_REFUSED : ENODEV);
    log_.push_back({true, std::vector<uint8_t>(data, data + length), 0});
    return static_cast<int>(length);
}

int EmulatedMouse::Read(uint8_t* data, std::size_t length) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!plugged_) return Fail(false, data, length, ENODEV);
    std::vector<uint8_t> answer(length, 0);
    answer[0] = data[0];
    const std::size_t taken = ProtocolLength(data[0], false, length);
    if (model_.GetFeature(answer.data(), static_cast<int>(taken)) == 0)
        return Fail(false, data, length, ERRNO_REFUSED);
    std::copy(answer.begin(), answer.end(), data);
    log_.push_back({false, answer, 0});
    return static_cast<int>(length);
}

void EmulatedMouse::SetPlugged(bool plugged) {
    std::lock_guard<std::mutex> lock(mutex_);
    plugged_ = plugged;
    model_.SetPresent(plugged);
    if (plugged) model_.OpenFeatureDevice();
}

bool EmulatedMouse::Plugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return plugged_;
}

bool EmulatedMouse::TakeLeft() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(left_, false);
}

std::vector<Transfer> EmulatedMouse::Log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

bool EmulatedMouse::HoldsUpdate(const std::vector<uint8_t>& block, int breathingMode) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return model_.HoldsCompleteImage(block) && model_.HoldsDefaultSettings(breathingMode);
}

bool EmulatedMouse::HoldsAnyFirmware() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !model_.FirmwareBlock().empty();
}

}  // namespace talun::umock
