#include "update/ToolState.h"

namespace talun {

const char* UpdateStatusText(UpdateStatus status) {
    switch (status) {
        case UpdateStatus::Updating:
            return "UPDATING....";
        case UpdateStatus::Updated:
            return "FIRMWARE UPDATED.";
        case UpdateStatus::NotUpdated:
            return "FIRMWARE NOT UPDATED.";
        case UpdateStatus::Idle:
            break;
    }
    return "";
}

const char* UpdateStepName(UpdateStep step) {
    switch (step) {
        case UpdateStep::FirmwareChunk1:
            return "firmware part 1 of 3";
        case UpdateStep::FirmwareChunk2:
            return "firmware part 2 of 3";
        case UpdateStep::FirmwareChunk3:
            return "firmware part 3 of 3";
        case UpdateStep::Profile:
            return "profile";
        case UpdateStep::MainSettings:
            return "main settings";
        case UpdateStep::ButtonMap:
            return "button map";
        case UpdateStep::OtgSpeed:
            return "on-the-go speed";
    }
    return "?";
}

const char* StepOutcomeName(StepOutcome outcome) {
    switch (outcome) {
        case StepOutcome::Acknowledged:
            return "acknowledged";
        case StepOutcome::NotAcknowledged:
            return "not acknowledged";
        case StepOutcome::WriteRefused:
            return "write refused";
        case StepOutcome::Skipped:
            return "skipped";
    }
    return "?";
}

}  // namespace talun
