// The background music as the saver's session drives it, whichever player
// plays it: Windows' MCI devices and sound player, or GStreamer on Linux. All
// of its calls are made on the session's music thread, one at a time: they may
// wait on the file system or a device.
#pragma once

#include <functional>

namespace lumora {

// What a start of the music achieved, and so what must be watched and stopped.
enum class MusicPlaying {
    Nothing,
    AudioCd,      // watched five times a second: kept playing, on its repeat track
    LoopingFile,  // plays over and over by itself
    WatchedFile,  // watched every second: started again when it has ended
};

struct MusicStarted {
    MusicPlaying playing = MusicPlaying::Nothing;
    bool cdOpened = false; // the CD device is open and must be closed again
};

class MusicPlayer {
public:
    virtual ~MusicPlayer() = default;

    // Starts what the settings choose. `stillWanted`, asked once the slow part
    // (opening the file or the device) is done, stops it before a sound when
    // the start has been given up meanwhile.
    virtual MusicStarted Start(const std::function<bool()>& stillWanted) = 0;
    // Stops what Start achieved.
    virtual void Stop(const MusicStarted& started) = 0;
    // Starts the file again when it has ended.
    virtual void KeepFilePlaying() = 0;
    // Keeps the CD playing (and on the repeat track). False when the drive
    // cannot be read.
    virtual bool KeepCdPlaying() = 0;
    // Plays the track this many tracks on from the current one (back when negative).
    virtual void StepTracks(int steps) = 0;
};

} // namespace lumora
