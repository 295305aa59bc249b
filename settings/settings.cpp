#include "settings/settings.h"

#include <cmath>
#include <optional>

#include "text/numbers.h"
#include "text/text.h"

namespace lumora {
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
// An empty value is 0; anything else that is no such number leaves `fallback`.
std::int16_t StoredWhole16(const std::string& text, std::int16_t fallback) {
    if (text.empty()) return 0;
    std::optional<double> number = ParseNumber(text);
    if (!number) return fallback;
    return RoundToInt16(std::floor(*number)).value_or(fallback);
}

} // namespace

std::string SettingsFilePath(platform::Process& process) {
    return process.ProgramFolder() + "\\ルモラ.ini";
}

std::string ReadProfileValue(platform::Profile& profile, const std::string& section,
                             const std::string& key, const std::string& path) {
    std::string value = profile.Read(section, key, path, kReadBufferBytes);
    return value.substr(0, value.find('\0'));
}

std::int32_t WriteProfileValue(platform::Profile& profile, const std::string& section,
                               const std::string& key, const std::string& value,
                               const std::string& path) {
    return profile.Write(FirstCharacters(section, kNameCharacters),
                         FirstCharacters(key, kNameCharacters), value, path);
}

bool FileExists(platform::Files& files, const std::string& path) {
    std::string copy = path;
    if (!copy.empty() && copy.back() == '\\') copy.pop_back();
    return files.CanOpenForReading(copy);
}

Settings LoadSettings(platform::Profile& profile, platform::Files& files, const std::string& path) {
    Settings settings;
    settings.music = static_cast<MusicKind>(
        StoredWhole16(ReadProfileValue(profile, kSettingsSection, kKeyKind, path), 0));
    settings.repeatTrack =
        StoredWhole16(ReadProfileValue(profile, kSettingsSection, kKeyLoop, path), 0);

    // The existence test runs whatever the kind: a stale path is cleared under
    // the CD too, but only a sound file without a file loses its kind.
    const std::string file = ReadProfileValue(profile, kSettingsSection, kKeyFile, path);
    if (!file.empty() && FileExists(files, file)) {
        settings.musicFile = file;
    } else if (settings.music == MusicKind::SoundFile) {
        settings.music = MusicKind::None;
    }
    return settings;
}

bool SaveSettings(platform::Profile& profile, const std::string& path, const Settings& settings) {
    // Each write stands alone, as the file has always been written: a failure
    // does not stop the ones after it.
    const bool kind = WriteProfileValue(profile, kSettingsSection, kKeyKind,
                                        SignColumn(static_cast<std::int16_t>(settings.music)), path) != 0;
    const bool loop = WriteProfileValue(profile, kSettingsSection, kKeyLoop,
                                        SignColumn(settings.repeatTrack), path) != 0;
    const bool file = WriteProfileValue(profile, kSettingsSection, kKeyFile, settings.musicFile, path) != 0;
    return kind && loop && file;
}

} // namespace lumora
