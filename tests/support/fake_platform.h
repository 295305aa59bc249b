// Recording fakes of the platform seams for the unit tests: every call is
// written to one log, in order and with its arguments, and every answer can
// be set beforehand.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/simulated_mci.h"
#include "platform/platform.h"

namespace lumora::fake {

class FakePlatform : public platform::Windows,
                     public platform::Cursor,
                     public platform::Saver,
                     public platform::Profile,
                     public platform::Files,
                     public platform::Process,
                     public platform::Clock,
                     public platform::Sound {
public:
    // The calls made so far, one line each, such as `FindWindow("Lumora_Main")`.
    std::vector<std::string> calls;

    // Answers.
    std::set<std::string> windowTitles;
    platform::VersionAnswer version{1, 2};
    // What the program did to the system: the cursor's display count (below 0:
    // hidden) and the screen saver's running flag as last set.
    int cursorCount = 0;
    std::optional<std::uint32_t> runningFlag;
    std::string commandLine = "Lumora.scr";
    std::string programFolder = "C:\\Lumora";
    std::vector<std::string> programPaths = {"C:\\Lumora\\Lumora.scr"};
    std::set<std::string> readableFiles;
    std::int32_t writeResult = 1;
    // Folders that exist besides those holding a profile file.
    std::set<std::string> folders = {"C:\\Lumora", "C:\\Users\\u\\AppData\\Roaming",
                                     "C:\\Users\\u\\AppData\\Local"};
    std::string roamingAppData = "C:\\Users\\u\\AppData\\Roaming";
    std::string localAppData = "C:\\Users\\u\\AppData\\Local";
    // Folders and files that refuse every change, as for a user without rights.
    std::set<std::string> readOnly;
    // A full disk: profile writes report success and store nothing, as the
    // platform's do.
    bool diskFull = false;
    // The disk refuses to take what the system holds of a file (error 112, full).
    bool flushFails = false;
    // What an ANSI file makes of a value: the code page's spelling of it.
    std::function<std::string(const std::string&)> ansiSpelling = [](const std::string& text) { return text; };
    // Profile files written as UTF-16 (made with the mark).
    std::set<std::string> unicodeFiles;
    bool instanceFree = true;
    std::uint32_t tickCount = 1000;   // advances by one on every read
    double secondsSinceMidnight = 3600.5;
    std::int32_t waveDevices = 1;
    // Runs while the sound system is asked for its devices (and wakes).
    std::function<void()> whileWaking;
    SimulatedMci mci{[this](std::string line) { Log(std::move(line)); }};
    // Profile files: path -> section -> key -> value. Section and key names are
    // kept as first written; look-ups ignore ASCII case, like the platform's.
    std::map<std::string, std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>>
        profiles;

    platform::Platform Seams();
    // A file of this path exists.
    bool Has(const std::string& path) const { return profiles.count(path) != 0; }
    void Log(std::string line) { calls.push_back(std::move(line)); }
    // Sets one value in a profile file as if an editor had written it.
    void Put(const std::string& path, const std::string& section, const std::string& key,
             const std::string& value);
    // The value stored, or nullptr when the key does not exist.
    const std::string* Find(const std::string& path, const std::string& section,
                            const std::string& key) const;

    bool TopLevelWindowExists(const std::string& title) override;
    int Show(bool show) override;
    platform::VersionAnswer QueryVersion() override;
    void SetScreenSaverRunning(std::uint32_t param) override;
    void ChangePassword(const std::string& registryKey, platform::WindowHandle owner,
                        std::uint32_t reserved1, std::uint32_t reserved2) override;
    std::string Read(const std::string& section, const std::string& key, const std::string& path,
                     std::size_t bufferBytes, platform::ProfileText text) override;
    std::int32_t Write(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& path, platform::ProfileText text) override;
    bool CanOpenForReading(const std::string& path) override;
    bool Exists(const std::string& path) override;
    bool MakeFolder(const std::string& path) override;
    bool Copy(const std::string& from, const std::string& to) override;
    bool WriteNew(const std::string& path, const std::string& bytes) override;
    bool Flush(const std::string& path) override;
    bool Replace(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) override;
    platform::ErrorCode LastError() override { return lastError_; }
    std::string DescribeError(platform::ErrorCode code) override;
    std::string CommandLine() override;
    std::string ProgramFolder() override;
    std::vector<std::string> ProgramPaths() override { return programPaths; }
    std::string FolderOf(platform::KnownFolder folder) override;
    bool ClaimSingleInstance() override;
    std::uint32_t TickCount() override;
    double SecondsSinceMidnight() override;
    std::int32_t WaveOutDevices() override;
    bool Play(const std::string& file, const platform::SoundRequest& request) override;
    void Stop() override;

private:
    platform::ErrorCode lastError_ = 0;
    // False, with "access denied" as the reason, when the path or its folder is read-only.
    bool Writable(const std::string& path);
    std::string* Slot(const std::string& path, const std::string& section, const std::string& key,
                      bool create);
};

} // namespace lumora::fake
