// The background music on Linux, played by GStreamer to the default sound
// output (the desktop's sound server, else ALSA): the file, of any kind GStreamer
// plays, over and over without a gap, or the audio CD from its drive or disc
// image on its repeat track, stepped by the arrows. Whatever cannot be played
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
    // `cdDevice`: the CD's drive or disc image, "" for the system's drive.
    GstreamerMusic(Settings settings, std::string cdDevice, std::FILE* complaints)
        : settings_(std::move(settings)), cdDevice_(std::move(cdDevice)), complaints_(complaints) {}

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

    // "the audio CD" or "the music file PATH", for what is told.
    std::string What() const;
    // GStreamer set up; false, told, when it cannot be.
    bool Started();
    // The pipelines, floating; nullptr, told, when one cannot be made.
    GstElement* FilePlayer(const std::string& uri);
    GstElement* CdPlayer(int track);
    // Starts the pipeline made; false (and nothing left) when there is none,
    // it cannot play, or it is no longer wanted once the file or the device is open.
    bool Play(GstElement* made, const std::function<bool()>& stillWanted);
    // What the pipeline said since the last look.
    BusNews ReadBus();
    // Tells once what went wrong, and lets the pipeline go.
    void GiveUp(const std::string& why);

    // The CD pipeline's reader.
    GstPtr<GstElement> CdSource();
    // The current track, 1 for the first; 0 when unknown.
    int CurrentTrack();
    // Plays the disc from the start of this track; false when the disc has no such track.
    bool PlayTrack(int track);

    const Settings settings_;
    const std::string cdDevice_;
    std::FILE* const complaints_;
    PipelinePtr pipeline_; // the file's playbin or the CD's pipeline
    bool complained_ = false;
};

// The hack's player: GStreamer's, playing only while it holds the user's
// music lock (see OneMusicAmongHacks), whichever display it draws on.
std::unique_ptr<MusicPlayer> HacksPlayer(const Settings& settings, const std::string& cdDevice);

} // namespace lumora::linux_desktop
