// The settings: which music plays while the screen saver runs. One value that
// loading returns and saving takes, kept in one of two files: the one beside
// the program (in the ANSI code page, as it has always been) or the user's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lumora {

// What plays. The file may hold any 16-bit number here; numbers that are no
// kind below travel through unchanged and simply choose nothing.
enum class MusicKind : std::int16_t { NoMusic = 0, AudioCd = 1, SoundFile = 2 };

struct Settings {
    MusicKind music = MusicKind::NoMusic;
    std::int16_t repeatTrack = 0; // the CD track to hold playback on, 0 for none
    std::string musicFile;        // the MP3 or WAV file, empty when none

    friend bool operator==(const Settings& a, const Settings& b) {
        return a.music == b.music && a.repeatTrack == b.repeatTrack && a.musicFile == b.musicFile;
    }
};

inline constexpr const char* kSettingsSection = "Section";
inline constexpr const char* kKeyKind = "BGM区分";
inline constexpr const char* kKeyLoop = "BGMﾘﾋﾟｰﾄ";
inline constexpr const char* kKeyFile = "BGMﾌｧｲﾙ";
inline constexpr const char* kSettingsFileName = "ルモラ.ini";

// One settings file and how it keeps its text.
struct SettingsFile {
    std::string path;
    platform::ProfileText text = platform::ProfileText::Ansi;
};

// Where the settings may live.
struct SettingsPlaces {
    SettingsFile besideProgram; // <program folder>\ルモラ.ini
    std::string userFolder;     // %APPDATA%\Lumora, "" when the system has no such folder
    SettingsFile perUser;       // <user folder>\ルモラ.ini, UTF-16
    // Where Windows' file virtualisation put the file beside the program for an
    // older 32-bit build that could not write there; "" when it cannot apply.
    SettingsFile virtualStore;
};

SettingsPlaces FindSettingsPlaces(platform::Process& process);

// The file a load reads: the user's when there is one, else the one beside the
// program, else the virtualised copy of it when only that exists.
SettingsFile FileToLoad(const SettingsPlaces& places, platform::Files& files);

// The program folder followed by "\ルモラ.ini", joined as they are: a folder at a
// drive's root gives two separators in a row, which Windows accepts.
std::string SettingsFilePath(platform::Process& process);

// A key's value; "" when the file, the section or the key is missing. At most
// 255 bytes of an ANSI file's text come back (the file beside the program has
// always been read so); the user's file gives its values whole.
std::string ReadProfileValue(platform::Profile& profile, const std::string& section,
                             const std::string& key, const SettingsFile& file);

// Writes one key (creating file and section as needed) and returns the
// platform's result, nonzero on success. Section and key names longer than 127
// characters are cut.
std::int32_t WriteProfileValue(platform::Profile& profile, const std::string& section,
                               const std::string& key, const std::string& value,
                               const SettingsFile& file);

// The path names a file that can be opened for reading; a trailing "\" is
// ignored, and a folder does not count.
bool FileExists(platform::Files& files, const std::string& path);

// The settings as one file stores them. Never fails: a missing, unreadable or
// damaged value reads as "no music". The music file is not looked at: on a
// share that does not answer, that alone can take as long as a network time-out.
Settings LoadStoredSettings(platform::Profile& profile, const SettingsFile& file);

// The settings from wherever they live now, the music file not looked at.
Settings LoadStoredSettings(const platform::Platform& platform);

// A music file that cannot be opened now is dropped, and with it the
// sound-file kind; a stale path is dropped under the CD too.
Settings WithMusicFileChecked(Settings settings, platform::Files& files);

// The stored settings with their music file checked.
Settings LoadSettings(platform::Profile& profile, platform::Files& files, const SettingsFile& file);
Settings LoadSettings(const platform::Platform& platform);

// Writes the three values into a copy of the file beside it, reads them back,
// and only when all three came back as written has the copy written through to
// the disk and puts it in the file's place in one step. The file is never left half written. False, with the
// system's reason, when any step failed.
bool WriteSettingsFile(platform::Profile& profile, platform::Files& files, const SettingsFile& file,
                       const Settings& settings, platform::ErrorCode& error);

struct SaveAttempt {
    std::string folder;
    platform::ErrorCode error = 0;
};

struct SaveOutcome {
    bool saved = false;
    std::string path;                  // where the settings went
    std::vector<SaveAttempt> failures; // every place that refused, in the order tried
};

// Saves where the settings live: the user's file when there is one; otherwise
// the file beside the program, and the user's file when that one cannot take
// them whole (a folder that refuses writing, a path the ANSI code page cannot
// hold). Settings saved nowhere leave every file as it was.
SaveOutcome SaveSettings(const platform::Platform& platform, const Settings& settings);

} // namespace lumora
