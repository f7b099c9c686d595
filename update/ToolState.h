// The state that the tool's handlers share, and what the device logic is given
// to work with. One ToolState per front end; tests make as many as they like.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/DeviceAccess.h"
#include "platform/Clock.h"
#include "platform/ProfileFile.h"
#include "protocol/DeviceSettings.h"

namespace talun {

// The last plug event acted on.
enum class LinkState : int { None = 0, Attached = 1, Detached = 2 };

// The state of the update as the window shows it.
enum class UpdateStatus : int { Idle = 0, Updating = 1, Updated = 2, NotUpdated = 3 };

const char* UpdateStatusText(UpdateStatus status);  // "FIRMWARE UPDATED." etc.; "" for Idle

struct ToolState {
    // Drive and directory of the program, ending in a separator.
    std::string ProgramDirectory;
    // The settings file; empty means ProgramDirectory followed by "default.ini".
    std::string settingsFilePath;
    // Longest path the platform's fixed buffers take; a longer one counts as missing.
    std::size_t maxPathLength = 259;

    LinkState linkState = LinkState::None;
    UpdateStatus updateStatus = UpdateStatus::Idle;
    DeviceSettings deviceSettings;  // all zero until the first settings restore
    int BreathingMode = 2;

    // Why the firmware must not be written through this driver (a placeholder
    // image and a real mouse); empty when it may. A run then touches nothing.
    std::string firmwareRefusal;
};

// One step of an update run, in the order the run takes them.
enum class UpdateStep {
    FirmwareChunk1,
    FirmwareChunk2,
    FirmwareChunk3,
    Profile,
    MainSettings,
    ButtonMap,
    OtgSpeed,
};
inline constexpr int UPDATE_STEP_COUNT = 7;
const char* UpdateStepName(UpdateStep step);

// What became of one write.
enum class StepOutcome {
    Acknowledged,     // written and the mouse said Done
    NotAcknowledged,  // written, but the mouse stayed Busy, reported an error or could not be read
    WriteRefused,     // the driver library refused the write
    Skipped,          // not sent, because an earlier step failed
};
const char* StepOutcomeName(StepOutcome outcome);

// Hooks through which a front end follows the device work. All calls come from
// the thread that runs the work. The defaults do nothing.
class UpdateObserver {
  public:
    virtual ~UpdateObserver() = default;
    // UpdateStatus has changed (Updating: draw "UPDATING...." at once).
    virtual void OnStatusChanged(UpdateStatus /*status*/) {}
    // Repaint the status and hint lines from UpdateStatus.
    virtual void OnRefreshStatusArea() {}
    // Repaint the whole window.
    virtual void OnRepaintWindow() {}
    virtual void OnWaitCursor(bool /*on*/) {}
    virtual void OnStepStarted(UpdateStep /*step*/) {}
    virtual void OnStepFinished(UpdateStep /*step*/, StepOutcome /*outcome*/) {}
};

// Passes every call on to another observer: the base of one that adds to some
// of them (a record, a display) and keeps the rest as they are.
class ForwardingObserver : public UpdateObserver {
  public:
    explicit ForwardingObserver(UpdateObserver& inner) : inner_(inner) {}

    void OnStatusChanged(UpdateStatus status) override { inner_.OnStatusChanged(status); }
    void OnRefreshStatusArea() override { inner_.OnRefreshStatusArea(); }
    void OnRepaintWindow() override { inner_.OnRepaintWindow(); }
    void OnWaitCursor(bool on) override { inner_.OnWaitCursor(on); }
    void OnStepStarted(UpdateStep step) override { inner_.OnStepStarted(step); }
    void OnStepFinished(UpdateStep step, StepOutcome outcome) override {
        inner_.OnStepFinished(step, outcome);
    }

  private:
    UpdateObserver& inner_;
};

class FirmwareImage;

// Everything the device logic works with; nothing else reaches it.
struct CoreContext {
    ToolState& state;
    DeviceAccess& device;
    Clock& clock;
    const ProfileFile& profileFile;
    const FirmwareImage& firmware;
    UpdateObserver& observer;
};

}  // namespace talun
