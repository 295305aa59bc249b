#include "linux/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "linux/fd.h"
#include "settings/ini_text.h"
#include "text/text.h"

namespace lumora::linux_desktop {
namespace {

std::string Reason(int error) { return std::strerror(error); }

} // namespace

SettingsText ReadSettingsText(const std::string& path) {
    SettingsText result;
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file) {
        result.found = errno != ENOENT && errno != ENOTDIR;
        if (result.found) result.problem = "cannot be opened: " + Reason(errno);
        return result;
    }
    result.found = true;
    struct stat status {};
    if (fstat(file.Get(), &status) != 0) {
        result.problem = "cannot be examined: " + Reason(errno);
        return result;
    }
    if (!S_ISREG(status.st_mode)) {
        result.problem = "is no regular file";
        return result;
    }
    // Read one byte past the limit rather than trust the size: a file may grow.
    std::string text(kLargestSettingsFile + 1, '\0');
    std::size_t size = 0;
    while (size < text.size()) {
        const ssize_t got = read(file.Get(), text.data() + size, text.size() - size);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            result.problem = "cannot be read: " + Reason(errno);
            return result;
        }
        if (got == 0) break;
        size += static_cast<std::size_t>(got);
    }
    text.resize(size);
    return SettingsTextOf(std::move(text));
}

SettingsText SettingsTextOf(std::string bytes) {
    SettingsText result;
    result.found = true;
    if (bytes.size() > kLargestSettingsFile) {
        result.problem = "is larger than a settings file can be (" + std::to_string(kLargestSettingsFile / 1024) +
                         " KiB)";
        return result;
    }
    result.problem = IniTextFault(bytes);
    if (!result.problem.empty()) return result;
    result.strayLine = IniStrayLine(bytes);
    result.text = std::move(bytes);
    return result;
}

std::string ProfileValue(const SettingsText& file, const std::string& section, const std::string& key,
                         std::size_t bufferBytes) {
    if (!file.problem.empty() || bufferBytes == 0) return "";
    std::string value = IniValue(file.text, section, key).value_or("");
    // As much as the buffer holds with its closing NUL, never part of a character.
    if (value.size() >= bufferBytes) {
        std::size_t cut = bufferBytes - 1;
        while (cut > 0 && IsContinuation(value[cut])) --cut;
        value.resize(cut);
    }
    return value;
}

std::string FileProfile::Read(const std::string& section, const std::string& key, const std::string& path,
                              std::size_t bufferBytes, platform::ProfileText) {
    return ProfileValue(ReadSettingsText(path), section, key, bufferBytes);
}

std::int32_t FileProfile::Write(const std::string&, const std::string&, const std::string&, const std::string&,
                                platform::ProfileText) {
    return 0;
}

} // namespace lumora::linux_desktop
