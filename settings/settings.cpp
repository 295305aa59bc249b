#include "settings/settings.h"

#include <cmath>
#include <optional>

#include "text/numbers.h"
#include "text/text.h"

namespace lumora {
namespace {

constexpr std::size_t kAnsiReadBytes = 256;
// Windows paths reach 32,767 characters; their UTF-8 takes up to three bytes each.
constexpr std::size_t kWholeReadBytes = 3 * 32768;
constexpr std::size_t kNameCharacters = 127;
constexpr const char* kTemporarySuffix = ".new";
constexpr const char* kUnicodeMark = "\xFF\xFE"; // UTF-16, little end first

// Cuts UTF-8 text after `count` characters, never inside one.
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t i = 0;
    for (std::size_t seen = 0; i < text.size() && seen < count; ++seen) i = NextCharacter(text, i);
    return text.substr(0, i);
}

// A stored whole number: any decimal number, rounded down, that fits 16 bits.
// An empty value is 0, and so is anything else that is no such number.
std::int16_t StoredWhole16(const std::string& text) {
    std::optional<double> number = ParseNumber(text);
    if (!number) return 0;
    return RoundToInt16(std::floor(*number)).value_or(0);
}

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

struct Value {
    const char* key;
    std::string text;
};

std::vector<Value> ValuesOf(const Settings& settings) {
    return {{kKeyKind, SignColumn(static_cast<std::int16_t>(settings.music))},
            {kKeyLoop, SignColumn(settings.repeatTrack)},
            {kKeyFile, settings.musicFile}};
}

} // namespace

SettingsPlaces FindSettingsPlaces(platform::Process& process) {
    SettingsPlaces places;
    const std::string program = process.ProgramFolder();
    places.besideProgram = {SettingsFilePath(process), platform::ProfileText::Ansi};

    const std::string roaming = process.FolderOf(platform::KnownFolder::RoamingAppData);
    if (!roaming.empty()) {
        places.userFolder = roaming + "\\Lumora";
        places.perUser = {places.userFolder + "\\" + kSettingsFileName, platform::ProfileText::Unicode};
    }
    // Virtualisation keeps a drive's folders under VirtualStore without the drive
    // letter; it never applies to network paths.
    const std::string local = process.FolderOf(platform::KnownFolder::LocalAppData);
    if (!local.empty() && program.size() >= 2 && program[1] == ':') {
        std::string rest = program.substr(2);
        if (!rest.empty() && rest.back() == '\\') rest.pop_back();
        places.virtualStore = {local + "\\VirtualStore" + rest + "\\" + kSettingsFileName,
                               platform::ProfileText::Ansi};
    }
    return places;
}

SettingsFile FileToLoad(const SettingsPlaces& places, platform::Files& files) {
    if (!places.perUser.path.empty() && files.Exists(places.perUser.path)) return places.perUser;
    if (files.Exists(places.besideProgram.path)) return places.besideProgram;
    if (!places.virtualStore.path.empty() && files.Exists(places.virtualStore.path)) return places.virtualStore;
    return places.besideProgram;
}

std::string SettingsFilePath(platform::Process& process) {
    return process.ProgramFolder() + "\\" + kSettingsFileName;
}

std::string ReadProfileValue(platform::Profile& profile, const std::string& section,
                             const std::string& key, const SettingsFile& file) {
    const std::size_t bytes = file.text == platform::ProfileText::Ansi ? kAnsiReadBytes : kWholeReadBytes;
    std::string value = profile.Read(section, key, file.path, bytes, file.text);
    return value.substr(0, value.find('\0'));
}

std::int32_t WriteProfileValue(platform::Profile& profile, const std::string& section,
                               const std::string& key, const std::string& value,
                               const SettingsFile& file) {
    return profile.Write(FirstCharacters(section, kNameCharacters), FirstCharacters(key, kNameCharacters),
                         value, file.path, file.text);
}

bool FileExists(platform::Files& files, const std::string& path) {
    std::string copy = path;
    if (!copy.empty() && copy.back() == '\\') copy.pop_back();
    return files.CanOpenForReading(copy);
}

Settings LoadStoredSettings(platform::Profile& profile, const SettingsFile& file) {
    Settings settings;
    settings.music = static_cast<MusicKind>(StoredWhole16(ReadProfileValue(profile, kSettingsSection, kKeyKind, file)));
    settings.repeatTrack = StoredWhole16(ReadProfileValue(profile, kSettingsSection, kKeyLoop, file));
    settings.musicFile = ReadProfileValue(profile, kSettingsSection, kKeyFile, file);
    return settings;
}

Settings LoadStoredSettings(const platform::Platform& platform) {
    const SettingsPlaces places = FindSettingsPlaces(platform.process);
    return LoadStoredSettings(platform.profile, FileToLoad(places, platform.files));
}

Settings WithMusicFileChecked(Settings settings, platform::Files& files) {
    // The test runs whatever the kind: a stale path is cleared under the CD too,
    // but only a sound file without a file loses its kind.
    if (!settings.musicFile.empty() && FileExists(files, settings.musicFile)) return settings;
    settings.musicFile.clear();
    if (settings.music == MusicKind::SoundFile) settings.music = MusicKind::NoMusic;
    return settings;
}

Settings LoadSettings(platform::Profile& profile, platform::Files& files, const SettingsFile& file) {
    return WithMusicFileChecked(LoadStoredSettings(profile, file), files);
}

Settings LoadSettings(const platform::Platform& platform) {
    return WithMusicFileChecked(LoadStoredSettings(platform), platform.files);
}

bool WriteSettingsFile(platform::Profile& profile, platform::Files& files, const SettingsFile& file,
                       const Settings& settings, platform::ErrorCode& error) {
    const SettingsFile copy{file.path + kTemporarySuffix, file.text};
    auto fail = [&] {
        error = files.LastError();
        files.Remove(copy.path);
        return false;
    };

    // The copy starts as the file is, so that whatever else it holds stays; a new
    // user's file starts with the mark that makes it UTF-16. A new ANSI file is
    // left for the first write to make, exactly as it has always been made.
    files.Remove(copy.path);
    if (files.Exists(file.path)) {
        if (!files.Copy(file.path, copy.path)) return fail();
    } else if (file.text == platform::ProfileText::Unicode) {
        if (!files.WriteNew(copy.path, kUnicodeMark)) return fail();
    }

    const std::vector<Value> values = ValuesOf(settings);
    for (const Value& value : values)
        if (WriteProfileValue(profile, kSettingsSection, value.key, value.text, copy) == 0) return fail();

    // A full disk or a code page that cannot spell the path shows only here: the
    // platform reports the write as done.
    for (const Value& value : values) {
        if (TrimBlanks(ReadProfileValue(profile, kSettingsSection, value.key, copy)) != TrimBlanks(value.text)) {
            files.Remove(copy.path);
            error = 0;
            return false;
        }
    }
    // Renamed before it is on the disk, the copy could come back after a power
    // cut as a file of zeros, with the old settings gone.
    if (!files.Flush(copy.path)) return fail();
    if (!files.Replace(copy.path, file.path)) return fail();
    return true;
}

SaveOutcome SaveSettings(const platform::Platform& platform, const Settings& settings) {
    const SettingsPlaces places = FindSettingsPlaces(platform.process);
    std::vector<SettingsFile> order;
    if (!places.perUser.path.empty() && platform.files.Exists(places.perUser.path)) {
        order = {places.perUser};
    } else {
        order = {places.besideProgram};
        if (!places.perUser.path.empty()) order.push_back(places.perUser);
    }

    SaveOutcome outcome;
    for (const SettingsFile& file : order) {
        platform::ErrorCode error = 0;
        if (file.text == platform::ProfileText::Unicode && !platform.files.MakeFolder(places.userFolder)) {
            error = platform.files.LastError();
        } else if (WriteSettingsFile(platform.profile, platform.files, file, settings, error)) {
            outcome.saved = true;
            outcome.path = file.path;
            return outcome;
        }
        outcome.failures.push_back({FolderOf(file.path), error});
    }
    return outcome;
}

} // namespace lumora
