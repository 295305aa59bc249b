#include "music/music.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "tests/support/fake_platform.h"

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
                                                "PlaySound(\"C:\\曲\\tone.Wav\", looped, no default)"}));
    music->StopWav();
    EXPECT_EQ(Sent(), std::vector<std::string>{"PlaySound(NULL)"});
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

} // namespace
} // namespace lumora
