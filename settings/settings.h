// The settings: which music plays while the screen saver runs. One value that
// loading returns and saving takes; the file beside the executable holds it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace lumora {

// What plays. The file may hold any 16-bit number here; numbers that are no
// kind below travel through unchanged and simply choose nothing.
enum class MusicKind : std::int16_t { None = 0, AudioCd = 1, SoundFile = 2 };

struct Settings {
    MusicKind music = MusicKind::None;
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

// The program folder followed by "\ルモラ.ini", joined as they are: a folder at a
// drive's root gives two separators in a row, which Windows accepts.
std::string SettingsFilePath(platform::Process& process);

// A key's value; "" when the file, the section or the key is missing. At most
// 255 bytes of the file's text come back.
std::string ReadProfileValue(platform::Profile& profile, const std::string& section,
                             const std::string& key, const std::string& path);

// Writes one key (creating file and section as needed) and returns the
// platform's result, nonzero on success. Section and key names longer than 127
// characters are cut.
std::int32_t WriteProfileValue(platform::Profile& profile, const std::string& section,
                               const std::string& key, const std::string& value,
                               const std::string& path);

// The path names a file that can be opened for reading; a trailing "\" is
// ignored, and a folder does not count.
bool FileExists(platform::Files& files, const std::string& path);

// The settings in the file at `path`. Never fails: a missing, unreadable or
// damaged value reads as "no music". A music file that cannot be opened now is
// dropped, and with it the sound-file kind.
Settings LoadSettings(platform::Profile& profile, platform::Files& files, const std::string& path);

// Writes the three values in their order; true when every write succeeded.
bool SaveSettings(platform::Profile& profile, const std::string& path, const Settings& settings);

} // namespace lumora
