#include "update/FirmwareImage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "update/ToolState.h"

// Generated at build time from the image file the build was configured with.
extern const unsigned char kBuiltInFirmwareImage[talun::FIRMWARE_IMAGE_SIZE];

namespace talun {

namespace {

inline constexpr uint32_t PAUSE_AFTER_FIRST_CHUNK_MS = 500;

const UpdateStep kChunkSteps[FIRMWARE_CHUNK_COUNT] = {
    UpdateStep::FirmwareChunk1, UpdateStep::FirmwareChunk2, UpdateStep::FirmwareChunk3};

}  // namespace

FirmwareImage::FirmwareImage(const std::vector<uint8_t>& image) : block_(image) {
    block_.push_back(static_cast<uint8_t>(FIRMWARE_TRAILER & 0xFF));
    block_.push_back(static_cast<uint8_t>(FIRMWARE_TRAILER >> 8));
}

const FirmwareImage& FirmwareImage::BuiltIn() {
    static const FirmwareImage image(
        std::vector<uint8_t>(kBuiltInFirmwareImage, kBuiltInFirmwareImage + FIRMWARE_IMAGE_SIZE));
    return image;
}

std::optional<FirmwareImage> FirmwareImage::FromImage(const std::vector<uint8_t>& image) {
    if (image.size() != static_cast<std::size_t>(FIRMWARE_IMAGE_SIZE)) return std::nullopt;
    return FirmwareImage(image);
}

bool FirmwareImage::IsPlaceholder() const {
    const std::size_t markLength = std::strlen(FIRMWARE_PLACEHOLDER_MARK);
    return std::equal(FIRMWARE_PLACEHOLDER_MARK, FIRMWARE_PLACEHOLDER_MARK + markLength,
                      block_.begin());
}

uint16_t FirmwareImage::ImageChecksum() const {
    return ByteSum16(block_.data(), FIRMWARE_IMAGE_SIZE);
}

std::string FirmwareImage::Describe() const {
    char text[96];
    std::snprintf(text, sizeof text, "%d bytes, checksum 0x%04X%s", FIRMWARE_IMAGE_SIZE,
                  ImageChecksum(), IsPlaceholder() ? ", placeholder (simulated mouse only)" : "");
    return text;
}

std::string FirmwareRefusal(const FirmwareImage& image, bool driverIsSimulator) {
    if (!image.IsPlaceholder() || driverIsSimulator) return std::string();
    return "the firmware image is a placeholder for the simulated mouse; it is never written "
           "into a real mouse (build with a real image, or give one with --firmware)";
}

bool TransferFirmware(CoreContext& ctx) {
    for (int chunk = 1; chunk <= FIRMWARE_CHUNK_COUNT; ++chunk) {
        const UpdateStep step = kChunkSteps[chunk - 1];
        ctx.observer.OnStepStarted(step);
        StepOutcome outcome = StepOutcome::WriteRefused;
        if (SendFeatureReport(ctx.device, BuildFirmwareChunk(ctx.firmware, chunk))) {
            outcome = WaitForAcknowledge(ctx.device, ctx.clock, FIRST_WAIT_FIRMWARE_CHUNK_MS)
                          ? StepOutcome::Acknowledged
                          : StepOutcome::NotAcknowledged;
        }
        ctx.observer.OnStepFinished(step, outcome);
        if (outcome != StepOutcome::Acknowledged) {
            for (int rest = chunk; rest < FIRMWARE_CHUNK_COUNT; ++rest) {
                ctx.observer.OnStepFinished(kChunkSteps[rest], StepOutcome::Skipped);
            }
            return false;
        }
        if (chunk == 1) ctx.clock.Sleep(PAUSE_AFTER_FIRST_CHUNK_MS);
    }
    return true;
}

}  // namespace talun
