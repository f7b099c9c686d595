#include "update/DefaultSettings.h"

#include <cctype>

namespace talun {

namespace {

struct SettingKey {
    int byte;
    const char* section;
    const char* key;
};

// Keys the file may hold for bytes of the record. They are read, in this order,
// but the record keeps its default values: only "Breathing" reaches the mouse.
const SettingKey kRecordKeys[] = {
    {0, "Profile Setting", "Current Profile"},
    {1, "Main Setting", "Sensitivity-X"},
    {2, "Main Setting", "Sensitivity-Y"},
    {16, "Main Setting", "Polling rate"},
    {17, "Main Setting", "Right-Left hand button assignment"},
    {18, "Main Setting", "Button configuration setting"},
    {19, "Main Setting", "Color1 type setting"},
    {20, "Main Setting", "Color2 type setting"},
    {21, "Main Setting", "Light effect switch-1"},
    {22, "Main Setting", "Light effect switch-2"},
    {23, "Main Setting", "Light effect type-1"},
    {24, "Main Setting", "Light effect type-2"},
    {25, "Main Setting", "Color options-1"},
    {26, "Main Setting", "Color options-2"},
    {27, "Main Setting", "Color change mode options-1"},
    {28, "Main Setting", "Color change mode options-2"},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class SettingsReader {
  public:
    SettingsReader(const ProfileFile& file, std::optional<std::string> path)
        : file_(file), path_(std::move(path)) {}

    std::string Read(const char* section, const char* key) const {
        if (!path_) return std::string();  // a path that does not fit: as a missing file
        return file_.ReadString(*path_, section, key, "", SETTINGS_VALUE_BUFFER);
    }

  private:
    const ProfileFile& file_;
    std::optional<std::string> path_;
};

}  // namespace

std::optional<uint32_t> ParseHexValue(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // "0x" counts as a prefix only when a digit follows; "0xg" is the number 0.
    const bool prefix = i + 2 < text.size() && text[i] == '0' &&
                        (text[i + 1] == 'x' || text[i + 1] == 'X') && HexDigit(text[i + 2]) >= 0;
    if (prefix) i += 2;
    uint64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && HexDigit(text[i]) >= 0; ++i, ++digits) {
        value = value * 16 + static_cast<uint64_t>(HexDigit(text[i]));
        if (value > 0xFFFFFFFFull) return std::nullopt;  // does not fit: no valid setting
    }
    if (digits == 0) return std::nullopt;
    const uint32_t result = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - result) : result;
}

std::optional<std::string> SettingsFilePath(const ToolState& state) {
    const std::string path = state.settingsFilePath.empty()
                                 ? state.ProgramDirectory + SETTINGS_FILE_NAME
                                 : state.settingsFilePath;
    if (path.size() > state.maxPathLength) return std::nullopt;
    return path;
}

int ReadDefaultSettings(CoreContext& ctx, DeviceSettings& record) {
    const SettingsReader reader(ctx.profileFile, SettingsFilePath(ctx.state));

    const std::optional<uint32_t> breathing =
        ParseHexValue(reader.Read("Main Setting", "Breathing"));
    const bool valid = breathing && (*breathing == 1 || *breathing == 2 || *breathing == 4);
    ctx.state.BreathingMode = valid ? static_cast<int>(*breathing) : DEFAULT_BREATHING_MODE;

    const std::array<uint8_t, DEVICE_SETTINGS_SIZE> defaults = DefaultSettingsBytes();
    std::size_t nextKey = 0;
    for (int byte = 0; byte < BUTTON_CODE_TABLE_OFFSET; ++byte) {
        if (nextKey < std::size(kRecordKeys) && kRecordKeys[nextKey].byte == byte) {
            reader.Read(kRecordKeys[nextKey].section, kRecordKeys[nextKey].key);
            ++nextKey;
        }
        record.bytes[byte] = defaults[byte];
    }
    for (int i = 0; i < BUTTON_CODE_COUNT; ++i) {
        const std::string key = "Button-" + std::to_string(i + 1);
        reader.Read("Button setting", key.c_str());
        record.ButtonCode(i) = DefaultButtonCodes[i];
    }
    reader.Read("On To Go setting", "OTGSpeed");
    record.bytes[DEVICE_SETTINGS_OTG_SPEED_BYTE] = defaults[DEVICE_SETTINGS_OTG_SPEED_BYTE];
    return 1;
}

}  // namespace talun
