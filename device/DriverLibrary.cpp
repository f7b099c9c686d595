#include "device/DriverLibrary.h"

namespace talun {

namespace {

template <typename Fn>
Fn ResolveSlot(const LoadedLibrary& module, const char* name) {
    return reinterpret_cast<Fn>(module.Resolve(name));
}

}  // namespace

int DriverLibrary::Load(LibraryLoader& loader, const std::optional<std::string>& fullPath) {
    Unload();
    if (!fullPath) {
        loadError_ = "the driver library's path is too long";
        return 0;
    }
    module_ = loader.Load(*fullPath);
    if (!module_) {
        loadError_ = "cannot load " + *fullPath + ": " + loader.LastError();
        return 0;
    }
    loadError_.clear();
#define TALUN_RESOLVE_SLOT(name, type, result, parameters, need) \
    slots_.name = ResolveSlot<type>(*module_, #name);
    HIDDRIVER_ENTRY_POINTS(TALUN_RESOLVE_SLOT)
#undef TALUN_RESOLVE_SLOT
    return 1;
}

void DriverLibrary::Unload() {
    slots_ = DriverEntryPoints{};
    module_.reset();
}

std::string DriverLibrary::Problem() const {
    if (!module_) return loadError_.empty() ? "driver library not loaded" : loadError_;
    std::string missing;
    const auto note = [&missing](const void* slot, const char* name, bool required) {
        if (required && slot == nullptr)
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    };
#define TALUN_NOTE_MISSING(name, type, result, parameters, need) \
    note(slots_.name.Address(), #name, HIDDRIVER_NEED_##need != 0);
    HIDDRIVER_ENTRY_POINTS(TALUN_NOTE_MISSING)
#undef TALUN_NOTE_MISSING
    return missing.empty() ? std::string() : "driver library lacks " + missing;
}

bool DriverLibrary::IsSimulator() const {
    return slots_.HidDriver_IsSimulator != nullptr && slots_.HidDriver_IsSimulator() != 0;
}

bool DriverLibrary::HasMouseSlots() const {
    return slots_.Open_FeatureDeviceSlot != nullptr && slots_.Close_FeatureDeviceSlot != nullptr &&
           slots_.SetFeatureSlot != nullptr && slots_.GetFeatureSlot != nullptr &&
           slots_.List_FeatureDeviceSlots != nullptr;
}

namespace {

constexpr int ERROR_TEXT_CAPACITY = 1024;

// What a library's error text entry point wrote, NUL-terminated whatever it did.
template <typename Call>
std::string ErrorText(Call call) {
    char text[ERROR_TEXT_CAPACITY] = {};
    call(text, ERROR_TEXT_CAPACITY);
    text[ERROR_TEXT_CAPACITY - 1] = '\0';
    return text;
}

}  // namespace

std::string DriverLibrary::LastErrorText() const {
    if (slots_.Get_LastErrorText == nullptr) return std::string();
    return ErrorText([&](char* text, int capacity) { slots_.Get_LastErrorText(text, capacity); });
}

std::string DriverLibrary::LastErrorTextSlot(int slot) const {
    if (slots_.Get_LastErrorTextSlot == nullptr) return std::string();
    return ErrorText(
        [&](char* text, int capacity) { slots_.Get_LastErrorTextSlot(slot, text, capacity); });
}

void DriverLibrary::OpenDevMonitor(HidWindow window, unsigned inputMessage, unsigned plugMessage) {
    if (slots_.Open_DevMonitor) slots_.Open_DevMonitor(window, inputMessage, plugMessage);
}

void DriverLibrary::CloseDevMonitor() {
    if (slots_.Close_DevMonitor) slots_.Close_DevMonitor();
}

int DriverLibrary::OpenFeatureDevice() {
    return slots_.Open_FeatureDevice ? slots_.Open_FeatureDevice() : 0;
}

void DriverLibrary::CloseFeatureDevice() {
    if (slots_.Close_FeatureDevice) slots_.Close_FeatureDevice();
}

int DriverLibrary::SetFeature(uint8_t* report, int length) {
    return slots_.SetFeature ? slots_.SetFeature(report, length) : 0;
}

int DriverLibrary::GetFeature(uint8_t* buffer, int length) {
    return slots_.GetFeature ? slots_.GetFeature(buffer, length) : 0;
}

std::optional<std::string> JoinBoundedPath(const std::string& directory,
                                           const std::string& fileName, std::size_t maxLength) {
    if (directory.size() + fileName.size() > maxLength) return std::nullopt;
    return directory + fileName;
}

int LoadDriverLibrary(DriverLibrary& library, LibraryLoader& loader,
                      const std::optional<std::string>& fullPath) {
    return library.Load(loader, fullPath);
}

int OpenDeviceAccess(DeviceAccess& device, HidWindow window) {
    device.OpenDevMonitor(window, WM_HID_INPUT_EVENT, WM_HID_PLUG_EVENT);
    return device.OpenFeatureDevice();
}

int CloseDeviceAccess(DeviceAccess& device) {
    device.CloseDevMonitor();
    device.CloseFeatureDevice();
    return 1;
}

}  // namespace talun
