#include "settings/settings.h"

#include <cmath>
#include <optional>

#include "settings/numbers.h"
#include "settings/text.h"

namespace lumora {

std::int16_t BGM_Kind = 0;
std::int16_t BGM_Loop = 0;
std::string BGM_File;
std::int32_t Last_Result = 0;
std::string Ini_Value;

namespace {

constexpr std::size_t kReadBufferBytes = 256;
constexpr std::size_t kNameCharacters = 127;

// Cuts UTF-8 text after `count` characters, never inside one.
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < text.size() && seen < count; ++seen) i = NextCharacter(text, i);
    return text.substr(0, i);
}

// A stored whole number: any decimal number, rounded down, that fits 16 bits.
std::optional<std::int16_t> StoredWhole16(const std::string& text) {
    std::optional<double> number = Number_Parse(text);
    if (!number) return std::nullopt;
    return Round_Int16(std::floor(*number));
}

void LoadWhole(platform::Profile& profile, const std::string& path, const char* key,
               std::int16_t& field) {
    Ini_Value = Ini_Read(profile, kSettingsSection, key, path);
    if (Ini_Value.empty()) {
        field = 0;
        return;
    }
    if (std::optional<std::int16_t> value = StoredWhole16(Ini_Value)) field = *value;
    // Otherwise the conversion failed: the field keeps what it had.
}

} // namespace

std::string Settings_FilePath(platform::Process& process) {
    return process.ProgramFolder() + "\\ルモラ.ini";
}

std::string Ini_Read(platform::Profile& profile, const std::string& section,
                     const std::string& key, const std::string& path) {
    std::string value = profile.Read(section, key, path, kReadBufferBytes);
    return value.substr(0, value.find('\0'));
}

void Ini_Write(platform::Profile& profile, const std::string& section, const std::string& key,
               const std::string& value, const std::string& path) {
    Last_Result = profile.Write(FirstCharacters(section, kNameCharacters),
                                FirstCharacters(key, kNameCharacters), value, path);
}

bool File_Exists(platform::Files& files, const std::string& path) {
    std::string copy = path;
    if (!copy.empty() && copy.back() == '\\') copy.pop_back();
    return files.CanOpenForReading(copy);
}

void Settings_Load(const platform::Platform& platform) {
    const std::string path = Settings_FilePath(platform.process);

    LoadWhole(platform.profile, path, kKeyKind, BGM_Kind);
    LoadWhole(platform.profile, path, kKeyLoop, BGM_Loop);

    Ini_Value = Ini_Read(platform.profile, kSettingsSection, kKeyFile, path);
    // The existence test runs whatever the kind: a stale path is cleared under
    // the CD too, but only a sound file without a file loses its kind.
    if (!Ini_Value.empty()) {
        BGM_File = Ini_Value;
        if (File_Exists(platform.files, BGM_File)) return;
    }
    BGM_File.clear();
    if (BGM_Kind == 2) BGM_Kind = 0;
}

} // namespace lumora
