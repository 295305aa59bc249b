#include "music/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/fake/fake_platform.h"
#include "platform/fake/stub_display_host.h"

namespace lumora {
namespace {

class MusicTest : public ::testing::Test {
protected:
    // The MCI commands sent since the last call, and the sound calls among them.
    std::vector<std::string> Sent() {
        std::vector<std::string> sent;
        for (const std::string& call : fake.calls)
            if (call.rfind("mci: ", 0) == 0 || call.rfind("PlaySound", 0) == 0 ||
                call.rfind("waveOut", 0) == 0)
                sent.push_back(call.rfind("mci: ", 0) == 0 ? call.substr(5) : call);
        fake.calls.clear();
        return sent;
    }

    // Music for these settings, with nothing sent yet.
    Music& Use(Settings settings) {
        music = std::make_unique<Music>(seams, std::move(settings));
        watching = true;
        fake.calls.clear();
        return *music;
    }

    // Opens the CD as a start does.
    void StartCd(std::int16_t repeat = 0) { Use({MusicKind::AudioCd, repeat, ""}).OpenCd(); }

    // Lets simulated time pass in 200 ms steps, with a CD watch at each while
    // the watch goes on.
    void RunCd(int milliseconds) {
        for (int t = 0; t < milliseconds; t += 200) {
            fake.mci.Advance(200);
            if (watching) watching = music->WatchCd();
        }
    }

    fake::FakePlatform fake;
    platform::Platform seams = fake.Seams();
    std::unique_ptr<Music> music = std::make_unique<Music>(seams, Settings{});
    bool watching = true;
};

// The display starts and stops the music its settings name: after its first
// frames, on a thread of its own, given up when it takes too long.
class DisplayMusicTest : public MusicTest {
protected:
    // Starts the display and shows the frames after which the music may start.
    StarDisplay& Start(Settings settings) {
        host.runAtOnce = false;
        display = std::make_unique<StarDisplay>(seams, host, random, settings, Mode::Saver);
        fake.calls.clear();
        display->Start();
        for (int frame = 0; frame < StarDisplay::kFramesBeforeMusic; ++frame) display->OnFrameTimer();
        return *display;
    }
    // The same, with the music's start finished and heard of.
    // From then on the music's thread does its work as it is given.
    StarDisplay& Started(Settings settings) {
        StarDisplay& shown = Start(std::move(settings));
        host.RunBackground();
        host.runAtOnce = true;
        return shown;
    }

    fake::StubDisplayHost host{&fake};
    Random random;
    std::unique_ptr<StarDisplay> display;
};

TEST_F(MusicTest, CommandLayerRepliesAndErrors) {
    std::string reply = "old";
    EXPECT_EQ(music->Send("", reply), -1);
    EXPECT_EQ(reply, "コマンド文字列が指定されていません");
    EXPECT_EQ(music->Query(""), "Error:-1");
    EXPECT_TRUE(Sent().empty());

    fake.mci.drivePresent = true;
    EXPECT_EQ(music->Send("open cdaudio", reply), 0);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(music->Query("status cdaudio number of tracks"), "10");
    EXPECT_EQ(music->Query("status nothing mode"), "Error:261");
    EXPECT_EQ(music->Send("status nothing mode", reply), 261);
    EXPECT_EQ(reply, "MCI error 261.");
    fake.mci.undescribed = {261};
    EXPECT_EQ(music->Send("bogus", reply), 261);
    EXPECT_EQ(reply, "Error (文字列が取れません)");
}

TEST_F(MusicTest, PlayCommandsLeaveOutWhatIsNotGiven) {
    music->PlayCd("cdaudio", "", "");
    music->PlayCd("cdaudio", "03:00:00:00", "");
    music->PlayCd("cdaudio", "", "04:00:00:00");
    music->PlayCd("cdaudio", "01", "02");
    EXPECT_EQ(Sent(), (std::vector<std::string>{"play cdaudio", "play cdaudio from 03:00:00:00",
                                                "play cdaudio to 04:00:00:00",
                                                "play cdaudio from 01 to 02"}));
}

TEST_F(MusicTest, SoundFileTypeIsTheLastThreeCharactersInAnyCase) {
    EXPECT_EQ(TypeOfSoundFile("C:\\a\\song.mp3"), SoundFileType::Mp3);
    EXPECT_EQ(TypeOfSoundFile("C:\\a\\tone.Wav"), SoundFileType::Wav);
    EXPECT_EQ(TypeOfSoundFile("C:\\a\\songmp3"), SoundFileType::Mp3);
    EXPECT_EQ(TypeOfSoundFile("C:\\a\\song.ogg"), SoundFileType::Other);
    EXPECT_EQ(TypeOfSoundFile("av"), SoundFileType::Other);
    EXPECT_EQ(TypeOfSoundFile("曲です.わav"), SoundFileType::Other);
}

TEST_F(MusicTest, CdStartsOnTheFirstWatchAndPlaysOnWhenTheDiscEnds) {
    StartCd();
    RunCd(200);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"open cdaudio", "set cdaudio time format tmsf",
                                                "status cdaudio current track",
                                                "status cdaudio number of tracks",
                                                "status cdaudio mode", "play cdaudio"}));
    RunCd(200);
    EXPECT_EQ(Sent().size(), 3u); // playing: only the three queries
    RunCd(10 * 180 * 1000);       // the whole disc, and back to the start
    EXPECT_TRUE(fake.mci.cdPlaying);
}

TEST_F(MusicTest, RepeatTrackComesBackWithinOneWatch) {
    StartCd(3);
    RunCd(200);
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "open cdaudio", "set cdaudio time format tmsf",
                          "status cdaudio current track", "status cdaudio number of tracks",
                          "status cdaudio mode", "status cdaudio position track 3",
                          "play cdaudio from 03:00:00:00"}));
    EXPECT_EQ(fake.mci.CurrentTrack(), 3);
    RunCd(180 * 1000 - 400); // to just before the end of track 3
    EXPECT_EQ(fake.mci.CurrentTrack(), 3);
    fake.mci.Advance(600); // runs into track 4 between two watches
    EXPECT_EQ(fake.mci.CurrentTrack(), 4);
    music->WatchCd();
    EXPECT_EQ(fake.mci.CurrentTrack(), 3);
    EXPECT_LT(fake.mci.cdPositionMs, 2 * 180 * 1000 + 200);
}

TEST_F(MusicTest, RepeatTrackTheDiscLacksPlaysNothingAndKeepsWatching) {
    fake.mci.trackSeconds = std::vector<int>(12, 200);
    StartCd(20);
    RunCd(1000);
    EXPECT_FALSE(fake.mci.cdPlaying);
    EXPECT_TRUE(watching);
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "play cdaudio from Error:282"), 5);
}

TEST_F(MusicTest, ATrackReplyThatIsNoNumber) {
    fake.mci.currentTrackOverride = "abc";
    StartCd();
    RunCd(200); // no repeat track: the reply is never read as a number
    EXPECT_TRUE(watching);
    music->NextTrack();
    const std::vector<std::string> sent = Sent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "status cdaudio position track 1"), sent.end());
    StartCd(2);
    RunCd(200); // with one, it ends the watch
    EXPECT_FALSE(watching);
}

TEST_F(MusicTest, ArrowsStepTracksWithoutWrappingAround) {
    StartCd();
    RunCd(200);
    Sent();
    music->NextTrack();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"status cdaudio current track",
                                                "status cdaudio position track 2",
                                                "play cdaudio from 02:00:00:00"}));
    EXPECT_EQ(fake.mci.CurrentTrack(), 2);
    music->PreviousTrack();
    music->PreviousTrack(); // on the first track: asks for track 0, which fails
    EXPECT_EQ(fake.mci.CurrentTrack(), 1);
    music->PlayCd("cdaudio", "10:00:00:00", "");
    music->NextTrack(); // on the last: track 11 fails
    EXPECT_EQ(fake.mci.CurrentTrack(), 10);
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(sent.back(), "play cdaudio from Error:282");
    EXPECT_NE(std::find(sent.begin(), sent.end(), "status cdaudio position track 0"), sent.end());
}

TEST_F(MusicTest, Mp3PlaysAndRestartsFromTheBeginningWheneverNotPlaying) {
    const std::string song = "C:\\音楽 フォルダ\\song.mp3";
    fake.mci.mp3Files[song] = 2000;
    Use({MusicKind::SoundFile, 0, song}).PlayMp3();
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "open \"C:\\音楽 フォルダ\\song.mp3\" type MPEGVideo Alias MP3Play",
                          "play MP3Play"}));
    fake.mci.Advance(1000);
    music->WatchMp3();
    EXPECT_EQ(Sent(), std::vector<std::string>{"status MP3Play mode"});
    fake.mci.Advance(1000); // the end of the file
    music->WatchMp3();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"status MP3Play mode", "stop MP3Play",
                                                "play MP3Play from 0"}));
    EXPECT_TRUE(fake.mci.mp3Playing);
    EXPECT_EQ(fake.mci.mp3PositionMs, 0);
    fake.mci.Advance(500);
    music->CloseMp3(); // paused or stopped by anyone: from the beginning again
    fake.mci.mp3Open = true;
    music->WatchMp3();
    EXPECT_EQ(fake.mci.mp3PositionMs, 0);
}

TEST_F(MusicTest, ModeBufferKeepsItsTextAndOnlyItsStartCounts) {
    fake.mci.mp3Files["a.mp3"] = 5000;
    Use({MusicKind::SoundFile, 0, "a.mp3"}).PlayMp3();
    fake.mci.mp3ModeOverride = "playing and more";
    EXPECT_TRUE(music->Mp3Playing());
    music->CloseMp3();
    // The failed query writes nothing: the buffer still says "playing".
    EXPECT_TRUE(music->Mp3Playing());
    fake.mci.mp3Open = true;
    fake.mci.mp3ModeOverride = "Playing";
    EXPECT_FALSE(music->Mp3Playing()); // letter case counts
}

TEST_F(MusicTest, APathWithAQuoteIsNeverOpened) {
    Use({MusicKind::SoundFile, 0, "C:\\a\" type waveaudio alias x.mp3"}).PlayMp3();
    EXPECT_TRUE(Sent().empty());
}

TEST_F(MusicTest, WavLoopsOnlyWhenThereIsAnOutputDevice) {
    Use({MusicKind::SoundFile, 0, "C:\\曲\\tone.Wav"}).PlayWav();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"waveOutGetNumDevs",
                                                "PlaySound(\"C:\\曲\\tone.Wav\", 131083)"}));
    music->StopWav();
    EXPECT_EQ(Sent(), std::vector<std::string>{"PlaySound(NULL, 0)"});
    fake.waveDevices = 0;
    music->PlayWav();
    EXPECT_EQ(Sent(), std::vector<std::string>{"waveOutGetNumDevs"});

    // A start given up while the sound system wakes makes no sound at all.
    fake.waveDevices = 1;
    fake.readableFiles.insert("C:\\曲\\tone.Wav");
    bool wanted = true;
    fake.whileWaking = [&wanted] { wanted = false; };
    EXPECT_EQ(music->Start([&wanted] { return wanted; }).playing, MusicPlaying::Nothing);
    EXPECT_EQ(Sent(), std::vector<std::string>{"waveOutGetNumDevs"});
}

TEST_F(DisplayMusicTest, TheScreenIsCoveredBeforeTheMusicTouchesAFileOrADevice) {
    fake.readableFiles.insert("C:\\tone.wav");
    display = std::make_unique<StarDisplay>(seams, host, random, Settings{MusicKind::SoundFile, 0, "C:\\tone.wav"},
                                            Mode::Saver);
    display->Start();
    display->OnFrameTimer();
    EXPECT_TRUE(host.background.empty());
    display->OnFrameTimer();
    ASSERT_EQ(host.background.size(), 1u); // after the first frames, on its own thread
    EXPECT_NE(std::find(fake.calls.begin(), fake.calls.end(), "Show"), fake.calls.end());
    EXPECT_EQ(std::find(fake.calls.begin(), fake.calls.end(), "OpenForReading(\"C:\\tone.wav\")"), fake.calls.end());
    EXPECT_TRUE(Sent().empty());
    host.RunBackground();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"waveOutGetNumDevs", "PlaySound(\"C:\\tone.wav\", 131083)"}));
    EXPECT_TRUE(display->MusicReady());
    EXPECT_FALSE(display->TimerEnabled(DisplayTimer::MusicDeadline));
    display->Quit();
    EXPECT_EQ(Sent(), std::vector<std::string>{"PlaySound(NULL, 0)"});
}

TEST_F(DisplayMusicTest, AStartThatMissesItsDeadlineIsGivenUpAndStopsItselfWhenItEnds) {
    fake.readableFiles.insert("C:\\slow.mp3");
    fake.mci.mp3Files["C:\\slow.mp3"] = 60000;
    StarDisplay& shown = Start({MusicKind::SoundFile, 0, "C:\\slow.mp3"});
    EXPECT_TRUE(shown.TimerEnabled(DisplayTimer::MusicDeadline));
    shown.OnMusicDeadline(); // a tick another program posted early changes nothing
    EXPECT_TRUE(shown.TimerEnabled(DisplayTimer::MusicDeadline));
    fake.tickCount += StarDisplay::kMusicGiveUpMs;
    shown.OnMusicDeadline(); // three seconds and still opening
    EXPECT_FALSE(shown.TimerEnabled(DisplayTimer::MusicDeadline));
    Sent();
    host.RunBackground(); // the open finally answers
    EXPECT_FALSE(fake.mci.mp3Open); // what it opened it closed again
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "play MP3Play"), 0); // without a sound
    EXPECT_FALSE(fake.mci.mp3Playing);
    EXPECT_FALSE(shown.MusicReady());
    EXPECT_FALSE(shown.TimerEnabled(DisplayTimer::FileMusicWatch));
    for (int frame = 0; frame < 10; ++frame) shown.OnFrameTimer(); // the stars go on
    Sent();
    shown.Quit();
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(DisplayMusicTest, AQuitWhileTheMusicStartsEndsAtOnceAndNothingPlaysAfter) {
    fake.readableFiles.insert("C:\\tone.wav");
    StarDisplay& shown = Start({MusicKind::SoundFile, 0, "C:\\tone.wav"});
    shown.OnKey(65);
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(host.background.empty()); // the start came to its end, silently, before the process did
    EXPECT_TRUE(Sent().empty());

    // Finished, but not yet heard of by the window: the quit stops it itself.
    StarDisplay& other = Start({MusicKind::SoundFile, 0, "C:\\tone.wav"});
    host.RunBackground(false);
    Sent();
    other.Quit();
    EXPECT_EQ(Sent(), std::vector<std::string>{"PlaySound(NULL, 0)"});
    host.Deliver(); // the news comes too late and changes nothing
    EXPECT_FALSE(other.MusicReady());
}

TEST_F(DisplayMusicTest, AWatchStillOnTheMusicThreadSkipsTheNextTicks) {
    StarDisplay& shown = Started({MusicKind::AudioCd, 0, ""});
    host.runAtOnce = false; // the drive takes its time to answer
    Sent();
    for (int tick = 0; tick < 5; ++tick) shown.OnCdWatchTimer();
    EXPECT_EQ(host.background.size(), 1u);
    host.RunBackground();
    shown.OnCdWatchTimer();
    EXPECT_EQ(host.background.size(), 1u);
}

TEST_F(DisplayMusicTest, AQuitDoesNotWaitLongForAStuckMusicThread) {
    StarDisplay& shown = Started({MusicKind::AudioCd, 0, ""});
    host.runAtOnce = false;
    host.musicThreadStuck = true;
    shown.Quit();
    EXPECT_TRUE(host.ended);
    EXPECT_NE(std::find(fake.calls.begin(), fake.calls.end(),
                        "WaitForMusicThread(" + std::to_string(StarDisplay::kStopWaitMs) + ")"),
              fake.calls.end());
}

TEST_F(DisplayMusicTest, ArrowsOnASlowDriveAddUpAndNeverHoldUpTheStopAtTheEnd) {
    StarDisplay& shown = Started({MusicKind::AudioCd, 0, ""});
    fake.mci.Advance(200);
    shown.OnCdWatchTimer(); // the disc plays its first track
    host.runAtOnce = false;
    fake.mci.answerMs = 150; // a step is three commands: close to half a second
    for (int press = 0; press < 3; ++press) shown.OnKey(39);
    EXPECT_EQ(host.background.size(), 1u);
    host.RunBackground(); // one step, then the two pressed meanwhile as one
    EXPECT_EQ(fake.mci.CurrentTrack(), 4);
    for (int press = 0; press < 3; ++press) shown.OnKey(37);
    shown.OnKey(65);
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(host.waitFinished);
    EXPECT_FALSE(fake.mci.cdPlaying);
}

TEST_F(DisplayMusicTest, TheCdIsWatchedOnceStartedAndClosedAtTheEnd) {
    StarDisplay& shown = Started({MusicKind::AudioCd, 0, ""});
    EXPECT_TRUE(shown.TimerEnabled(DisplayTimer::CdWatch));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"open cdaudio", "set cdaudio time format tmsf"}));
    fake.mci.Advance(200);
    shown.OnCdWatchTimer();
    EXPECT_TRUE(fake.mci.cdPlaying);
    Sent();
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop cdaudio", "close cdaudio"}));
}

TEST_F(DisplayMusicTest, TheCdWatchBearsAFewFailuresAndTheDiscIsStoppedWhateverItFound) {
    StarDisplay& shown = Started({MusicKind::AudioCd, 0, ""});
    fake.mci.currentTrackOverride = "Error"; // the drive answers nothing useful for a while
    shown.OnCdWatchTimer();
    shown.OnCdWatchTimer();
    fake.mci.currentTrackOverride.clear();
    shown.OnCdWatchTimer(); // readable again: the count starts over
    EXPECT_TRUE(fake.mci.cdPlaying);
    fake.mci.currentTrackOverride = "Error";
    for (int tick = 1; tick < StarDisplay::kCdFailuresToGiveUp; ++tick) {
        shown.OnCdWatchTimer();
        EXPECT_TRUE(shown.TimerEnabled(DisplayTimer::CdWatch)) << tick;
    }
    shown.OnCdWatchTimer();
    EXPECT_FALSE(shown.TimerEnabled(DisplayTimer::CdWatch));
    EXPECT_TRUE(fake.mci.cdPlaying); // still playing, unwatched
    Sent();
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop cdaudio", "close cdaudio"}));
    EXPECT_FALSE(fake.mci.cdPlaying);
}

TEST_F(DisplayMusicTest, NoDiscGivesUpAfterAFewWatchesAndTheOpenDeviceIsClosed) {
    fake.mci.trackSeconds.clear();
    StarDisplay& shown = Started({MusicKind::AudioCd, 0, ""});
    for (int tick = 0; tick < 10; ++tick)
        if (shown.TimerEnabled(DisplayTimer::CdWatch)) shown.OnCdWatchTimer();
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "status cdaudio current track"),
              StarDisplay::kCdFailuresToGiveUp);
    EXPECT_FALSE(shown.TimerEnabled(DisplayTimer::CdWatch));
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop cdaudio", "close cdaudio"}));
}

TEST_F(DisplayMusicTest, NoDriveAtAllIsNeitherWatchedLongNorClosedAndTheArrowsStillOnlyTry) {
    fake.mci.drivePresent = false;
    StarDisplay& shown = Start({MusicKind::AudioCd, 0, ""});
    shown.OnKey(37); // still starting: the arrows wait
    EXPECT_FALSE(host.ended);
    host.RunBackground();
    host.runAtOnce = true;
    for (int tick = 0; tick < StarDisplay::kCdFailuresToGiveUp; ++tick) shown.OnCdWatchTimer();
    EXPECT_FALSE(shown.TimerEnabled(DisplayTimer::CdWatch));
    Sent();
    shown.OnKey(37);
    shown.OnKey(39);
    EXPECT_FALSE(host.ended);
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "status cdaudio current track", "status cdaudio position track -1",
                          "play cdaudio from Error:266", "status cdaudio current track",
                          "status cdaudio position track 1", "play cdaudio from Error:266"}));
    shown.Quit();
    EXPECT_TRUE(Sent().empty()); // the device never opened
}

TEST_F(DisplayMusicTest, AnMp3ThatIsThereHasItsWatchEvenWhenItDoesNotOpen) {
    fake.readableFiles.insert("C:\\bogus.MP3");
    StarDisplay& shown = Started({MusicKind::SoundFile, 0, "C:\\bogus.MP3"});
    EXPECT_EQ(Sent(), std::vector<std::string>{"open \"C:\\bogus.MP3\" type MPEGVideo Alias MP3Play"});
    EXPECT_TRUE(shown.TimerEnabled(DisplayTimer::FileMusicWatch));
    shown.OnFileMusicTimer();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"status MP3Play mode", "stop MP3Play",
                                                "play MP3Play from 0"}));
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop MP3Play", "close MP3Play"}));
}

TEST_F(DisplayMusicTest, AMusicFileThatIsGoneIsSilenceWithoutAWatch) {
    StarDisplay& shown = Started({MusicKind::SoundFile, 0, "C:\\gone.mp3"});
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(shown.MusicReady());
    EXPECT_FALSE(shown.TimerEnabled(DisplayTimer::FileMusicWatch));
    shown.Quit();
    EXPECT_TRUE(Sent().empty());
}

TEST_F(DisplayMusicTest, OtherFilesAndKindsPlayNothing) {
    const std::pair<int, const char*> cases[] = {
        {2, "C:\\song.ogg"}, {0, "C:\\song.mp3"}, {7, "C:\\a.wav"}, {-3, ""}};
    for (const auto& [kind, file] : cases) {
        fake.readableFiles.insert(file);
        StarDisplay& shown = Started({static_cast<MusicKind>(kind), 0, file});
        EXPECT_TRUE(Sent().empty()) << kind << ' ' << file;
        for (DisplayTimer watch : {DisplayTimer::CdWatch, DisplayTimer::FileMusicWatch})
            EXPECT_FALSE(shown.TimerEnabled(watch)) << kind << ' ' << file;
    }
}

} // namespace
} // namespace lumora
