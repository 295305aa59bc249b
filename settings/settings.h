// The settings record, the settings file beside the executable, and the three
// small file routines everything else reaches it through.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace lumora {

// The settings record: filled once at start-up, read by the display and the
// music, edited in place by the settings dialog.
extern std::int16_t BGM_Kind; // 0 no music, 1 audio CD, 2 sound file
extern std::int16_t BGM_Loop; // CD track to hold playback on, 0 for none
extern std::string BGM_File;  // MP3 or WAV path, empty when none

// The result of the last platform call that cared to keep one.
extern std::int32_t Last_Result;
// The value last read from, or about to be written to, the settings file.
extern std::string Ini_Value;

inline constexpr const char* kSettingsSection = "Section";
inline constexpr const char* kKeyKind = "BGM区分";
inline constexpr const char* kKeyLoop = "BGMﾘﾋﾟｰﾄ";
inline constexpr const char* kKeyFile = "BGMﾌｧｲﾙ";

// The program folder followed by "\ルモラ.ini", joined as they are: a folder at a
// drive's root gives two separators in a row, which Windows accepts.
std::string Settings_FilePath(platform::Process& process);

// A key's value; "" when the file, the section or the key is missing. At most
// 255 bytes of the file's text come back.
std::string Ini_Read(platform::Profile& profile, const std::string& section,
                     const std::string& key, const std::string& path);

// Writes one key (creating file and section as needed); the platform's result
// goes to Last_Result. Section and key names longer than 127 characters are cut.
void Ini_Write(platform::Profile& profile, const std::string& section, const std::string& key,
               const std::string& value, const std::string& path);

// The path names a file that can be opened for reading; a trailing "\" is
// ignored, and a folder does not count.
bool File_Exists(platform::Files& files, const std::string& path);

// Fills the settings record from the file. Never fails: whatever cannot be read
// or converted leaves its field as it was (0 or empty at start-up).
void Settings_Load(const platform::Platform& platform);

} // namespace lumora
