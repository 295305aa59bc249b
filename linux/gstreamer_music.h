// The background music on Linux, played by GStreamer's playbin to the default
// sound output: the file over and over without a gap, or the audio CD through
// cdda:// on its repeat track, stepped by the arrows. Whatever cannot be played
// (no file, a file that is no sound, no drive, no disc, no sound device) leaves
// the stars silent, with one line on `complaints`.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "music/music_player.h"
#include "linux/gstreamer.h"
#include "settings/settings.h"

namespace lumora::linux_desktop {

class GstreamerMusic final : public MusicPlayer {
public:
    GstreamerMusic(Settings settings, std::FILE* complaints)
        : settings_(std::move(settings)), complaints_(complaints) {}

    MusicStarted Start(const std::function<bool()>& stillWanted) override;
    void Stop(const MusicStarted& started) override;
    void KeepFilePlaying() override;
    bool KeepCdPlaying() override;
    void StepTracks(int steps) override;

private:
    struct BusNews {
        bool ended = false;
        bool failed = false;
        std::string error;
    };

    // Makes the pipeline for this address and starts it; false (and nothing
    // left) when it cannot play or is no longer wanted once the file or the
    // device is open.
    bool Play(const std::string& uri, bool loop, const std::function<bool()>& stillWanted);
    // What the pipeline said since the last look.
    BusNews ReadBus();
    // Tells once what went wrong, and lets the pipeline go.
    void GiveUp(const std::string& why);

    // The CD's source element, once playbin has made it.
    GstPtr<GstElement> CdSource();
    // The current track, 1 for the first; 0 when unknown.
    int CurrentTrack();
    // Plays the disc from the start of this track; false when the disc has no such track.
    bool PlayTrack(int track);

    const Settings settings_;
    std::FILE* const complaints_;
    PipelinePtr playbin_;
    bool complained_ = false;
};

// The hack's player: GStreamer's, playing only while it holds the user's
// music lock (see OneMusicAmongHacks), whichever display it draws on.
std::unique_ptr<MusicPlayer> HacksPlayer(const Settings& settings);

} // namespace lumora::linux_desktop
