#include "driver/sim/SimMouse.h"

#include <algorithm>

#include "protocol/Reports.h"

namespace talun::sim {

namespace {

constexpr uint8_t kStatusDone = static_cast<uint8_t>(AckStatus::Done);
constexpr uint8_t kStatusBusy = static_cast<uint8_t>(AckStatus::Busy);

DeviceSettings DefaultSettings() {
    DeviceSettings settings;
    settings.bytes = DefaultSettingsBytes();
    return settings;
}

bool AllZero(const std::vector<uint8_t>& r, int first, int end) {
    return std::all_of(r.begin() + first, r.begin() + end, [](uint8_t b) { return b == 0; });
}

bool ValidProfile(uint8_t p) {
    return p < PROFILE_COUNT;
}
bool ValidButton(uint8_t b) {
    return b < BUTTON_CODE_COUNT;
}

}  // namespace

SimMouse::SimMouse(const Clock& clock, FaultPlan plan) : clock_(clock), plan_(std::move(plan)) {}

void SimMouse::SetPresent(bool present) {
    if (present == present_) return;
    present_ = present;
    if (!present) {
        // The device handle dies with the device; an unacknowledged write is lost.
        open_ = false;
        pending_.reset();
        lastStatusReport_ = 0;
    }
}

bool SimMouse::IsPresent() const {
    return present_ && !plan_.absent;
}

int SimMouse::OpenFeatureDevice() {
    open_ = IsPresent();
    return open_ ? 1 : 0;
}

void SimMouse::CloseFeatureDevice() {
    open_ = false;
}

bool FaultPlan::RefusesWrite(uint8_t reportId, int occurrence) const {
    return std::any_of(refusedWrites.begin(), refusedWrites.end(), [&](const WriteFault& f) {
        return f.reportId == reportId && (f.occurrence == 0 || f.occurrence == occurrence);
    });
}

bool FaultPlan::FailsRead(int readNumber) const {
    return std::find(failedReads.begin(), failedReads.end(), readNumber) != failedReads.end();
}

int FaultPlan::BusyPollsAfter(uint8_t reportId) const {
    const auto busy = busyPolls.find(reportId);
    return busy == busyPolls.end() ? 0 : std::max(0, busy->second);
}

uint8_t FaultPlan::FinalStatusOf(uint8_t reportId, uint8_t otherwise) const {
    const auto final = finalStatus.find(reportId);
    return final == finalStatus.end() ? otherwise : final->second;
}

void SimMouse::UnplugIfPlanned() {
    if (plan_.unplugAfterWrites < 0 || acceptedTotal_ < plan_.unplugAfterWrites) return;
    plan_.unplugAfterWrites = -1;  // happens once; the mouse can be plugged back
    SetPresent(false);
}

int SimMouse::SetFeature(const uint8_t* report, int length) {
    if (report == nullptr || length < 1) {
        Record(TraceEntry::Set, nullptr, length, 0);
        return 0;
    }
    const uint8_t id = report[0];
    const int occurrence = ++setCalls_[id];
    // An unplug planned after n writes (n reached already) comes before this write.
    UnplugIfPlanned();
    int result = 0;
    if (IsPresent() && open_ && !plan_.RefusesWrite(id, occurrence)) {
        result = 1;
        ++accepted_[id];
        ++acceptedTotal_;
        Pending p;
        p.report.assign(report, report + length);
        p.valid = IsValid(p.report);
        if (p.valid) {
            p.busyLeft = plan_.BusyPollsAfter(id);
            p.finalStatus = plan_.FinalStatusOf(id, kStatusDone);
        } else {
            p.finalStatus = SIM_STATUS_ERROR;
        }
        pending_ = std::move(p);
        lastStatusReport_ = id;
    }
    Record(TraceEntry::Set, report, length, result);
    if (result) UnplugIfPlanned();
    return result;
}

int SimMouse::GetFeature(uint8_t* buffer, int length) {
    const int readNumber = ++getCalls_;
    int result = 0;
    if (buffer != nullptr && length >= 1 && IsPresent() && open_ && !plan_.FailsRead(readNumber)) {
        const uint8_t id = buffer[0];
        if (id == REPORT_STATUS && length == LENGTH_STATUS) {
            const uint8_t status = AnswerStatus();
            buffer[0] = REPORT_STATUS;
            buffer[1] = status;
            buffer[2] = lastStatusReport_;
            result = 1;
        } else if (id == REPORT_MAIN_SETTINGS && length == LENGTH_MAIN_SETTINGS_READ) {
            AnswerMainSettings(buffer);
            result = 1;
        } else if (id == REPORT_MACRO && length == LENGTH_MACRO) {
            AnswerMacro(buffer);
            result = 1;
        }
    }
    Record(TraceEntry::Get, buffer, length, result);
    return result;
}

bool SimMouse::IsValid(const std::vector<uint8_t>& r) const {
    const int length = static_cast<int>(r.size());
    switch (r[0]) {
        case REPORT_STATUS:  // read request: profile, then 0x10 or a button
            return length == LENGTH_STATUS && ValidProfile(r[1]) &&
                   (r[2] == STATUS_ITEM_MAIN_SETTINGS || ValidButton(r[2]));
        case REPORT_PROFILE:
            return length == LENGTH_PROFILE && r[1] == LENGTH_PROFILE && ValidProfile(r[2]);
        case REPORT_MAIN_SETTINGS:
            return length == LENGTH_MAIN_SETTINGS_WRITE && r[1] == LENGTH_MAIN_SETTINGS_WRITE &&
                   ValidProfile(r[2]) &&
                   r[MAIN_SETTINGS_FIXED_OFFSET] == MAIN_SETTINGS_FIXED_VALUE &&
                   r[MAIN_SETTINGS_PROFILE_CODE_OFFSET] == ProfileIndexCodes[r[2]];
        case REPORT_BUTTON_MAP: {
            if (length != LENGTH_BUTTON_MAP || r[1] != LENGTH_BUTTON_MAP || !ValidProfile(r[2]))
                return false;
            // The two bytes after a function code are zero, except for a macro
            // button, which may carry macro options there.
            for (int i = 0; i < BUTTON_CODE_COUNT; ++i) {
                const int at = ButtonMapEntryOffset(i);
                if (r[at] != BUTTON_CODE_MACRO && (r[at + 1] != 0 || r[at + 2] != 0)) return false;
            }
            return ByteSum16Matches(r, BUTTON_MAP_CHECKSUM_OFFSET);
        }
        case REPORT_OTG_SPEED:
            return length == LENGTH_OTG_SPEED && r[1] == LENGTH_OTG_SPEED &&
                   std::equal(OtgSpeedTail.begin(), OtgSpeedTail.end(),
                              r.begin() + OTG_SPEED_TAIL_OFFSET);
        case REPORT_MACRO: {
            if (length != LENGTH_MACRO || r[1] != LENGTH_MACRO || !ValidProfile(r[2]) ||
                !ValidButton(r[3]) || !AllZero(r, MACRO_PADDING_OFFSET, MACRO_ENTRY_COUNT_OFFSET) ||
                r[MACRO_ENTRY_COUNT_OFFSET] > MACRO_MAX_ENTRIES)
                return false;
            return AllZero(r, MACRO_FIRST_ENTRY_OFFSET + 2 * r[MACRO_ENTRY_COUNT_OFFSET],
                           LENGTH_MACRO);
        }
        case REPORT_FIRMWARE_CHUNK: {
            if (length != LENGTH_FIRMWARE_CHUNK) return false;
            const int chunk = r[1];
            if (chunk < 1 || chunk > FIRMWARE_CHUNK_COUNT) return false;
            // Chunk 1 starts a new image; every other chunk must follow the last
            // one committed.
            if (chunk != 1 && chunk != chunksCommitted_ + 1) return false;
            if (!AllZero(r, FIRMWARE_CHUNK_PADDING_OFFSET, FIRMWARE_CHUNK_PAYLOAD_OFFSET))
                return false;
            if (chunk == FIRMWARE_CHUNK_COUNT) {
                const int end = FIRMWARE_CHUNK_PAYLOAD_OFFSET + FirmwareChunkPayload(chunk);
                if (!AllZero(r, end, FIRMWARE_CHUNK_CHECKSUM_OFFSET)) return false;
                if (r[end - 2] != (FIRMWARE_TRAILER & 0xFF) ||
                    r[end - 1] != (FIRMWARE_TRAILER >> 8))
                    return false;
            }
            return ByteSum16Matches(r, FIRMWARE_CHUNK_CHECKSUM_OFFSET);
        }
        default:
            return false;
    }
}

uint8_t SimMouse::AnswerStatus() {
    if (!pending_) return kStatusDone;  // idle: nothing outstanding
    Pending& p = *pending_;
    if (p.busyLeft > 0) {
        --p.busyLeft;
        return kStatusBusy;
    }
    if (p.finalStatus == kStatusDone && !p.committed) {
        p.committed = true;
        Commit(p.report);
    }
    return p.finalStatus;
}

void SimMouse::Commit(const std::vector<uint8_t>& r) {
    const uint8_t id = r[0];
    switch (id) {
        case REPORT_STATUS:
            readProfile_ = r[1];
            readItem_ = r[2];
            break;
        case REPORT_PROFILE:
            profileReport_ = r;
            currentProfile_ = r[2];
            break;
        case REPORT_MAIN_SETTINGS:
            mainSettings_[r[2]] = r;
            break;
        case REPORT_BUTTON_MAP:
            buttonMaps_[r[2]] = r;
            break;
        case REPORT_OTG_SPEED:
            otgReport_ = r;
            break;
        case REPORT_MACRO:
            macros_[{r[2], r[3]}] = r;
            break;
        case REPORT_FIRMWARE_CHUNK: {
            const int chunk = r[1];
            const int payload = FirmwareChunkPayload(chunk);
            if (chunk == 1) firmware_.clear();
            const auto first = r.begin() + FIRMWARE_CHUNK_PAYLOAD_OFFSET;
            firmware_.insert(firmware_.end(), first, first + payload);
            chunksCommitted_ = chunk;
            break;
        }
        default:
            return;  // never reached: only valid reports are committed
    }
    ++commits_[id];
    if (onCommit_) onCommit_(id);
}

void SimMouse::AnswerMainSettings(uint8_t* buffer) const {
    // Reply: 0x06, its length (35), the profile, then bytes 3 to 34 of that
    // profile's main settings as last written (zero when never written).
    const int profile = readItem_ == STATUS_ITEM_MAIN_SETTINGS ? readProfile_ : currentProfile_;
    std::fill(buffer, buffer + LENGTH_MAIN_SETTINGS_READ, 0);
    const auto& stored = mainSettings_[profile];
    if (!stored.empty())
        std::copy(stored.begin(), stored.begin() + LENGTH_MAIN_SETTINGS_READ, buffer);
    buffer[0] = REPORT_MAIN_SETTINGS;
    buffer[1] = LENGTH_MAIN_SETTINGS_READ;
    buffer[2] = static_cast<uint8_t>(profile);
}

void SimMouse::AnswerMacro(uint8_t* buffer) const {
    // Reply: the macro report of the requested profile and button as last written;
    // an empty macro (header only) when none was.
    const int button = ValidButton(static_cast<uint8_t>(readItem_)) ? readItem_ : 0;
    std::fill(buffer, buffer + LENGTH_MACRO, 0);
    const auto found = macros_.find({readProfile_, button});
    if (found != macros_.end()) {
        std::copy(found->second.begin(), found->second.end(), buffer);
        return;
    }
    buffer[0] = REPORT_MACRO;
    buffer[1] = LENGTH_MACRO;
    buffer[2] = static_cast<uint8_t>(readProfile_);
    buffer[3] = static_cast<uint8_t>(button);
}

void SimMouse::Record(TraceEntry::Direction direction, const uint8_t* bytes, int length,
                      int result) {
    TraceEntry e;
    e.timeMs = clock_.NowMs();
    e.direction = direction;
    e.length = length;
    e.result = result;
    if (bytes != nullptr && length > 0) e.bytes.assign(bytes, bytes + length);
    if (onTransfer_) onTransfer_(e);
    if (keepTrace_) trace_.push_back(std::move(e));
}

bool SimMouse::HoldsCompleteImage(const std::vector<uint8_t>& block3070) const {
    return chunksCommitted_ == FIRMWARE_CHUNK_COUNT &&
           block3070.size() == static_cast<std::size_t>(FIRMWARE_BLOCK_SIZE) &&
           firmware_ == block3070;
}

bool SimMouse::HoldsDefaultSettings(int breathingMode) const {
    return profileReport_ == DefaultProfileReport() &&
           mainSettings_[0] == DefaultMainSettingsReport(breathingMode) &&
           buttonMaps_[0] == DefaultButtonMapReport() && otgReport_ == DefaultOtgSpeedReport();
}

std::vector<uint8_t> SimMouse::MainSettings(int profile) const {
    if (profile < 0 || profile >= PROFILE_COUNT) return {};
    return mainSettings_[profile];
}

std::vector<uint8_t> SimMouse::ButtonMap(int profile) const {
    if (profile < 0 || profile >= PROFILE_COUNT) return {};
    return buttonMaps_[profile];
}

std::vector<uint8_t> SimMouse::ButtonCodes(int profile) const {
    const std::vector<uint8_t> map = ButtonMap(profile);
    if (map.empty()) return {};
    std::vector<uint8_t> codes;
    for (int i = 0; i < BUTTON_CODE_COUNT; ++i) codes.push_back(map[ButtonMapEntryOffset(i)]);
    return codes;
}

std::vector<uint8_t> SimMouse::Macro(int profile, int button) const {
    const auto found = macros_.find({profile, button});
    return found == macros_.end() ? std::vector<uint8_t>{} : found->second;
}

std::vector<uint8_t> SimMouse::DefaultProfileReport() {
    return BuildProfileReport(DefaultSettingsBytes()[DEVICE_SETTINGS_CURRENT_PROFILE_BYTE]);
}

std::vector<uint8_t> SimMouse::DefaultMainSettingsReport(int breathingMode) {
    return BuildMainSettingsReport(DefaultSettings(), breathingMode, 0);
}

std::vector<uint8_t> SimMouse::DefaultButtonMapReport() {
    return BuildButtonMapReport(0, DefaultButtonCodes);
}

std::vector<uint8_t> SimMouse::DefaultOtgSpeedReport() {
    return BuildOtgSpeedReport(DefaultSettings());
}

}  // namespace talun::sim
