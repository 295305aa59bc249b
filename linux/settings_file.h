// The settings file on Linux: UTF-8 text in the Windows file's layout, read
// whole each time, as GetPrivateProfileString reads its file.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"

namespace lumora::linux_desktop {

// A settings file larger than this is no settings file; it is not read at all.
inline constexpr std::size_t kLargestSettingsFile = 64 * 1024;

struct SettingsText {
    bool found = false;  // there is something at the path
    std::string text;    // the file's bytes, when it could be used
    std::string problem; // why it cannot be used, "" when it can
    std::size_t strayLine = 0; // the first line that is none of the layout's, passed over
};

// Reads the file at `path` without waiting on it (a pipe or a device is
// refused, not read) and checks that it is settings text.
SettingsText ReadSettingsText(const std::string& path);

// The check of ReadSettingsText on a file's bytes, read up to one byte past
// the largest settings file.
SettingsText SettingsTextOf(std::string bytes);

// What FileProfile reads of one key out of checked text, cut to fit
// `bufferBytes` with its closing NUL.
std::string ProfileValue(const SettingsText& file, const std::string& section, const std::string& key,
                         std::size_t bufferBytes);

// Reads keys out of the settings text; a file that cannot be used reads as
// missing. The Linux edition never writes its settings file: XScreenSaver
// keeps a user's choices as the hack's options.
class FileProfile final : public platform::Profile {
public:
    std::string Read(const std::string& section, const std::string& key, const std::string& path,
                     std::size_t bufferBytes, platform::ProfileText text) override;
    std::int32_t Write(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& path, platform::ProfileText text) override;
};

} // namespace lumora::linux_desktop
