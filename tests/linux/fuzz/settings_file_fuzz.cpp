// Reads arbitrary bytes as the user's lumora.ini, as the Linux edition does:
// the whole text or nothing, each value cut whole at any buffer size, the
// core's loading through the profile, and the hack's set-up from the real
// file (its complaints one line each, the defaults when it cannot be used).
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "linux/fd.h"
#include "linux/settings_file.h"
#include "settings/ini_text.h"
#include "settings/settings.h"
#include "startup/hack_options.h"
#include "tests/linux/fuzz/hack_run.h"
#include "text/text.h"

namespace {

// $XDG_CONFIG_HOME for the whole run: a folder of its own, removed when the
// fuzzer ends. In memory where there is /dev/shm: a disk's file system writes
// a file rewritten from nothing back at each close, many times slower.
class ConfigFolder {
public:
    ConfigFolder() {
        struct stat shm {};
        const char* temporary = std::getenv("TMPDIR");
        root_ = stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode)      ? "/dev/shm"
                : temporary != nullptr && *temporary != '\0' ? temporary
                                                               : "/tmp";
        root_ += "/lumora-fuzz-XXXXXX";
        if (mkdtemp(root_.data()) == nullptr || mkdir((root_ + "/lumora").c_str(), 0700) != 0) std::abort();
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
        unsetenv("XSCREENSAVER_WINDOW");
    }
    ~ConfigFolder() {
        unlink(File().c_str());
        rmdir((root_ + "/lumora").c_str());
        rmdir(root_.c_str());
    }
    ConfigFolder(const ConfigFolder&) = delete;
    ConfigFolder& operator=(const ConfigFolder&) = delete;

    std::string File() const { return root_ + "/lumora/lumora.ini"; }
    void Write(const std::string& bytes) const {
        const lumora::linux_desktop::UniqueFd fd(open(File().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!fd) std::abort();
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t put = write(fd.Get(), bytes.data() + done, bytes.size() - done);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) std::abort();
            done += static_cast<std::size_t>(put);
        }
    }

private:
    std::string root_;
};

// The profile over text already checked, as FileProfile reads the file.
class TextProfile final : public lumora::platform::Profile {
public:
    explicit TextProfile(const lumora::linux_desktop::SettingsText& file) : file_(file) {}
    std::string Read(const std::string& section, const std::string& key, const std::string&,
                     std::size_t bufferBytes, lumora::platform::ProfileText) override {
        return lumora::linux_desktop::ProfileValue(file_, section, key, bufferBytes);
    }
    std::int32_t Write(const std::string&, const std::string&, const std::string&, const std::string&,
                       lumora::platform::ProfileText) override {
        std::abort();
    }

private:
    const lumora::linux_desktop::SettingsText& file_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    static const ConfigFolder folder;
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const linux_desktop::SettingsText file = linux_desktop::SettingsTextOf(bytes);
    const bool usable = size <= linux_desktop::kLargestSettingsFile && IniTextFault(bytes).empty();
    if (file.problem.empty() != usable) std::abort();
    if (usable && (file.text != bytes || file.strayLine != IniStrayLine(bytes))) std::abort();

    const std::size_t bufferBytes = size % 67;
    for (const char* key : {kKeyKind, kKeyLoop, kKeyFile}) {
        const std::string whole = usable ? IniValue(bytes, kSettingsSection, key).value_or("") : "";
        const std::string value = linux_desktop::ProfileValue(file, kSettingsSection, key, bufferBytes);
        if (value.size() >= std::max<std::size_t>(bufferBytes, 1) || whole.compare(0, value.size(), value) != 0)
            std::abort();
        if (value.size() < whole.size() && (whole.size() < bufferBytes || IsContinuation(whole[value.size()])))
            std::abort();
    }

    // A settings file is never larger than the core's buffer: the file's value comes whole.
    const std::string storedFile = usable ? IniValue(bytes, kSettingsSection, kKeyFile).value_or("") : "";
    TextProfile profile(file);
    std::vector<std::string> complaints;
    const Settings stored =
        LoadStoredSettingsTelling(profile, {folder.File(), platform::ProfileText::Unicode}, complaints);
    if (stored.musicFile != storedFile || complaints.size() > 3) std::abort();

    folder.Write(bytes);
    const Settings settings = fuzz::RunHackSetup({}).settings;
    if (!usable && !(settings == Settings{})) std::abort();
    if (!settings.musicFile.empty() && settings.musicFile != storedFile) std::abort();
    return 0;
}
