// Background music: the audio CD, or an MP3 or WAV file played over and over,
// through the platform's MCI command strings and its sound player.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "music/music_player.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace lumora {

enum class SoundFileType { Wav, Mp3, Other };

// By the last three characters of the file's name, in any letter case (no dot
// is looked for, so "x.mp3" and "xmp3" are both MP3).
SoundFileType TypeOfSoundFile(const std::string& file);

// The music of one run on Windows: the CD, an MP3 file kept playing by its
// watch, or a WAV file that the sound player loops. The buffers handed to the
// platform are reused by every call and never cleared: a reply the platform
// leaves unwritten reads as the last one.
class Music final : public MusicPlayer {
public:
    Music(const platform::Platform& platform, Settings settings)
        : platform_(platform), settings_(std::move(settings)) {}

    // Starts what the settings choose: the CD, or the sound file when it can be
    // opened now. It may wait on the file system or a device, so it runs where
    // no window waits for it; `stillWanted`, asked once the file is open, stops
    // it before a sound when the start has been given up meanwhile.
    MusicStarted Start(const std::function<bool()>& stillWanted = {}) override;
    // Stops what Start achieved.
    void Stop(const MusicStarted& started) override;
    void KeepFilePlaying() override { WatchMp3(); }
    bool KeepCdPlaying() override { return WatchCd(); }

    // The MCI command layer: a command's result code, its reply or error text.
    std::int32_t Send(const std::string& command, std::string& reply);
    // The reply, or "Error:" and the code.
    std::string Query(const std::string& command);
    std::int32_t PlayCd(const std::string& device, const std::string& from, const std::string& to);

    // The CD player. Opening is true when the device opened.
    bool OpenCd();
    // Keeps the CD playing (and on the repeat track). False once the drive can
    // no longer be read: the watch is over for this run.
    bool WatchCd();
    // Plays the track this many tracks on from the current one (back when negative).
    void StepTracks(int steps) override;
    void PreviousTrack() { StepTracks(-1); }
    void NextTrack() { StepTracks(+1); }
    void CloseCd();

    // The sound-file player.
    void PlayMp3(const std::function<bool()>& stillWanted = {});
    bool Mp3Playing();
    // Starts the MP3 again from its beginning whenever it is not playing.
    void WatchMp3();
    void CloseMp3();
    // False when the start was given up before the sound player was asked.
    bool PlayWav(const std::function<bool()>& stillWanted = {});
    void StopWav();

    static constexpr std::size_t kReplyLength = 512;
    static constexpr std::size_t kErrorLength = 256;
    static constexpr std::size_t kCdModeLength = 255; // of a 256-character buffer
    static constexpr std::size_t kMp3ModeLength = 30;

private:

    // Its own copy of the seams: the player may outlive whoever made it, on a
    // thread a device holds.
    const platform::Platform platform_;
    const Settings settings_;
    std::string replyBuffer_;
    std::string errorBuffer_;
    std::string reply_;
    std::string cdMode_;
    std::string mp3Mode_;
};

} // namespace lumora
