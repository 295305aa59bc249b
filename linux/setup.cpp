#include "linux/setup.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "linux/settings_file.h"
#include "startup/hack_options.h"

namespace lumora::linux_desktop {
namespace {

// The Linux edition's own key, beside the music's: which drive (or disc image)
// the CD is read from, where the system's first drive is not the one.
constexpr const char* kKeyCdDevice = "CDﾄﾞﾗｲﾌﾞ";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// $XDG_CONFIG_HOME/lumora/lumora.ini, else the same under ~/.config; a
// relative $XDG_CONFIG_HOME is to be ignored, as the XDG base directory rules
// have it. "" when there is no home to look in.
std::string SettingsPath() {
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') {
        std::string home = Environment("HOME");
        if (home.empty()) {
            std::vector<char> buffer(16384);
            passwd entry{};
            passwd* found = nullptr;
            if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
                found->pw_dir != nullptr)
                home = found->pw_dir;
        }
        if (home.empty()) return "";
        config = home + "/.config";
    }
    return config + "/lumora/lumora.ini";
}

// Whether a music file can be played from: a file (not a folder) we may read.
// A reason when it cannot, "" when it can.
std::string UnreadableBecause(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::strerror(errno);
    if (S_ISDIR(status.st_mode)) return "a folder";
    if (access(path.c_str(), R_OK) != 0) return std::strerror(errno);
    return "";
}

} // namespace

HackSetup ReadHackSetup(int argc, char** argv, std::FILE* complaints) {
    std::vector<std::string> said;
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const HackOptions options = ParseHackOptions(arguments, Environment("XSCREENSAVER_WINDOW"), said);

    Settings stored;
    std::string storedDevice;
    const std::string path = SettingsPath();
    if (path.empty()) {
        said.push_back("no home folder to find lumora/lumora.ini in: the settings are the defaults");
    } else if (const SettingsText file = ReadSettingsText(path); !file.problem.empty()) {
        said.push_back(path + " " + file.problem + ": the settings are the defaults");
    } else if (file.found) {
        // Windows passes over such lines and reads the rest; so does this.
        if (file.strayLine != 0)
            said.push_back(path + ": line " + std::to_string(file.strayLine) +
                           " is neither a [section] nor a key=value line: passed over");
        FileProfile profile;
        const SettingsFile settingsFile{path, platform::ProfileText::Unicode};
        stored = LoadStoredSettingsTelling(profile, settingsFile, said);
        storedDevice = ReadProfileValue(profile, kSettingsSection, kKeyCdDevice, settingsFile);
    }

    HackSetup setup;
    setup.target = options.target;
    setup.window = options.window;
    setup.display = options.display;
    if (!options.geometry.empty()) {
        if (const std::optional<WindowGeometry> geometry = ParseGeometry(options.geometry))
            setup.geometry = *geometry;
        else
            said.push_back("-geometry \"" + options.geometry + "\" is no WIDTHxHEIGHT+X+Y: ignored");
    }
    setup.help = options.help;
    setup.fps = options.fps;
    setup.settings = WithOptions(stored, options);
    setup.cdDevice = options.device.value_or(storedDevice);
    const std::string& file = setup.settings.musicFile;
    setup.settings = WithMusicFileReadable(setup.settings, file.empty() ? "" : UnreadableBecause(file), said);

    for (std::string line : said) {
        // An argument or a path with a line break in it still makes one line.
        for (char& c : line)
            if (static_cast<unsigned char>(c) < 0x20) c = '?';
        std::fprintf(complaints, "lumora: %s\n", line.c_str());
    }
    return setup;
}

} // namespace lumora::linux_desktop
