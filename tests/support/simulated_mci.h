// An MCI command interpreter for the unit tests that answers like a CD drive
// holding a disc of some tracks, and like the MPEG player under an alias, over
// simulated time. Every command sent is logged as `mci: <command>`.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace lumora::fake {

class SimulatedMci final : public platform::Mci {
public:
    // Error codes as Windows numbers them.
    static constexpr std::int32_t kUnrecognizedCommand = 261;
    static constexpr std::int32_t kInvalidDeviceName = 263;
    static constexpr std::int32_t kCannotLoadDriver = 266;
    static constexpr std::int32_t kDeviceNotReady = 276;
    static constexpr std::int32_t kInternal = 277;
    static constexpr std::int32_t kOutOfRange = 282;
    static constexpr std::int32_t kBadTimeFormat = 290;

    explicit SimulatedMci(std::function<void(std::string)> log) : log_(std::move(log)) {}

    // The drive. No drive: every cdaudio command fails. trackSeconds empty: no disc.
    bool drivePresent = true;
    std::vector<int> trackSeconds = std::vector<int>(10, 180);
    // What "status cdaudio current track" answers instead of the truth, when set.
    std::string currentTrackOverride;
    // What "status MP3Play mode" answers instead of the truth, when set.
    std::string mp3ModeOverride;
    // MP3 files that open, with their length in milliseconds.
    std::map<std::string, int> mp3Files;
    // How long the device takes to answer a command, and the time it has taken so far.
    int answerMs = 0;
    long long busyMs = 0;
    // Codes that mciGetErrorString cannot describe.
    std::vector<std::int32_t> undescribed;

    // Lets time pass: what plays moves on, and stops at its end.
    void Advance(int milliseconds);

    // State, for the tests to look at.
    bool cdOpen = false;
    bool cdPlaying = false;
    int cdPositionMs = 0; // from the start of the disc
    bool mp3Open = false;
    bool mp3Playing = false;
    int mp3PositionMs = 0;
    int mp3LengthMs = 0;

    int CurrentTrack() const; // 1-based; 0 without a disc

    std::int32_t SendString(const std::string& command, std::string* buffer,
                            std::size_t length) override;
    std::int32_t GetErrorString(std::int32_t code, std::string& buffer, std::size_t length) override;

private:
    std::int32_t Cd(const std::string& rest, std::string& reply);
    std::int32_t Mp3(const std::string& rest, std::string& reply);
    int TrackStartMs(int track) const;
    int DiscLengthMs() const;

    std::function<void(std::string)> log_;
};

} // namespace lumora::fake
