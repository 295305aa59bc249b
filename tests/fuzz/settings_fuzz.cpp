// Feeds arbitrary values for the three keys, and arbitrary answers of the file
// system, to the settings loader and checks what it must always leave behind.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/support/fake_platform.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (size < 1) return 0;
    const bool fileOpens = (data[0] & 1) != 0;
    std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);

    // Three values separated by newlines (which a profile value cannot hold).
    std::string values[3];
    for (std::size_t i = 0, field = 0; i < rest.size(); ++i) {
        if (rest[i] == '\n') {
            if (++field == 3) break;
        } else {
            values[field] += rest[i];
        }
    }

    fake::FakePlatform fake;
    const std::string ini = SettingsFilePath(fake);
    if (!values[0].empty()) fake.Put(ini, kSettingsSection, kKeyKind, values[0]);
    if (!values[1].empty()) fake.Put(ini, kSettingsSection, kKeyLoop, values[1]);
    if (!values[2].empty()) fake.Put(ini, kSettingsSection, kKeyFile, values[2]);
    std::string checked = values[2].substr(0, 255);
    if (!checked.empty() && checked.back() == '\\') checked.pop_back();
    if (fileOpens) fake.readableFiles.insert(checked);

    const Settings loaded = LoadSettings(fake, fake, SettingsFile{ini, platform::ProfileText::Ansi});

    if (loaded.musicFile.size() > 255) std::abort();
    if (loaded.music == MusicKind::SoundFile && loaded.musicFile.empty()) std::abort();
    if (!loaded.musicFile.empty() && !fileOpens) std::abort();
    if (!loaded.musicFile.empty() && values[2].compare(0, loaded.musicFile.size(), loaded.musicFile) != 0)
        std::abort();
    return 0;
}
