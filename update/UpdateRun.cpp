#include "update/UpdateRun.h"

#include "update/FirmwareImage.h"
#include "update/SettingsRestore.h"

namespace talun {

namespace {

// The firmware, then the settings: true when the mouse took all of both.
bool WriteEverything(CoreContext& ctx) {
    if (!ctx.state.firmwareRefusal.empty()) {
        // Nothing goes to the mouse: not the image, and not the settings either.
        for (int step = 0; step < UPDATE_STEP_COUNT; ++step) {
            ctx.observer.OnStepFinished(static_cast<UpdateStep>(step), StepOutcome::Skipped);
        }
        return false;
    }
    const bool firmwareWritten = TransferFirmware(ctx);
    // The settings go back to their defaults even after a failed transfer.
    const bool settingsRestored = RestoreSettings(ctx) != 0;
    return firmwareWritten && settingsRestored;
}

}  // namespace

UpdateStatus RunUpdate(CoreContext& ctx) {
    ctx.observer.OnRefreshStatusArea();
    ctx.observer.OnWaitCursor(true);
    ctx.state.updateStatus = UpdateStatus::Updating;
    ctx.observer.OnStatusChanged(ctx.state.updateStatus);

    ctx.state.updateStatus =
        WriteEverything(ctx) ? UpdateStatus::Updated : UpdateStatus::NotUpdated;

    ctx.observer.OnStatusChanged(ctx.state.updateStatus);
    ctx.observer.OnWaitCursor(false);
    ctx.observer.OnRefreshStatusArea();
    return ctx.state.updateStatus;
}

void EndRunFailed(CoreContext& ctx) {
    ctx.state.updateStatus = UpdateStatus::NotUpdated;
    ctx.observer.OnStatusChanged(ctx.state.updateStatus);
    ctx.observer.OnWaitCursor(false);
    ctx.observer.OnRefreshStatusArea();
}

}  // namespace talun
