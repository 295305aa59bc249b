// Recording fakes of the platform seams for the unit tests: every call is
// written to one log, in order and with its arguments, and every answer can
// be set beforehand.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/fake/simulated_mci.h"
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
    std::string commandLine = "Lumora.scr";
    std::string programFolder = "C:\\Lumora";
    std::set<std::string> readableFiles;
    std::int32_t writeResult = 1;
    std::uint32_t tickCount = 1000;   // advances by one on every read
    double secondsSinceMidnight = 3600.5;
    std::int32_t waveDevices = 1;
    SimulatedMci mci{[this](std::string line) { Log(std::move(line)); }};
    // Profile files: path -> section -> key -> value. Section and key names are
    // kept as first written; look-ups ignore ASCII case, like the platform's.
    std::map<std::string, std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>>
        profiles;

    platform::Platform Seams();
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
                     std::size_t bufferBytes) override;
    std::int32_t Write(const std::string& section, const std::string& key, const std::string& value,
                       const std::string& path) override;
    bool CanOpenForReading(const std::string& path) override;
    std::string CommandLine() override;
    std::string ProgramFolder() override;
    std::uint32_t TickCount() override;
    double SecondsSinceMidnight() override;
    std::int32_t WaveOutDevices() override;
    std::int32_t Play(const std::string* name, std::uint32_t flags) override;

private:
    int cursorCount_ = 0;
    std::string* Slot(const std::string& path, const std::string& section, const std::string& key,
                      bool create);
};

} // namespace lumora::fake
