// The real platform: thin wrappers over Win32, wide-character functions only.
#pragma once

#include "platform/platform.h"
#include "windows/system/handles.h"

namespace lumora::win32 {

class Win32Platform : public platform::Windows,
                      public platform::Cursor,
                      public platform::Saver,
                      public platform::Profile,
                      public platform::Files,
                      public platform::Process,
                      public platform::Clock,
                      public platform::Mci,
                      public platform::Sound {
public:
    platform::Platform Seams();

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
    std::vector<std::string> ProgramPaths() override;
    std::string FolderOf(platform::KnownFolder folder) override;
    bool ClaimSingleInstance() override;
    std::uint32_t TickCount() override;
    double SecondsSinceMidnight() override;
    std::int32_t SendString(const std::string& command, std::string* buffer,
                            std::size_t length) override;
    std::int32_t GetErrorString(std::int32_t code, std::string& buffer, std::size_t length) override;
    std::int32_t WaveOutDevices() override;
    bool Play(const std::string& file, const platform::SoundRequest& request) override;
    void Stop() override;

private:
    // Keeps the outcome of a call that may fail, with the system's reason.
    bool Outcome(bool succeeded);

    platform::ErrorCode lastError_ = 0;
    KernelHandle instance_;
};

} // namespace lumora::win32
