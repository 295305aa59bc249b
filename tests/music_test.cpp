#include "music/music.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "display/display.h"
#include "platform/fake/fake_platform.h"
#include "settings/settings.h"

namespace lumora {
namespace {

class NullHost final : public DisplayHost {
public:
    std::vector<std::string> timers;
    ScreenMetrics Screen() override { return {64, 48, 15, 15}; }
    void PlaceForm(int, int, int, int) override {}
    PixelView SizeDisplay(int, int) override { return {}; }
    void ShowNormal() override {}
    std::int32_t SetTopmost() override { return 1; }
    void EnableTimer(DisplayTimer timer, bool enabled) override {
        timers.push_back("Timer" + std::to_string(timer) + (enabled ? " on" : " off"));
    }
    void Present() override {}
    void DoEvents() override {}
    std::int32_t VerifyPassword() override { return 1; }
    void Unload() override {}
    void EndProcess() override {}
};

class MusicTest : public ::testing::Test {
protected:
    MusicTest() {
        BGM_Kind = 0;
        BGM_Loop = 0;
        BGM_File.clear();
        fake.commandLine = "Lumora.scr /s";
    }

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

    // Starts the display with the settings as they are.
    void Start() {
        fake.calls.clear();
        display.Form_Load();
    }

    // Lets simulated time pass in 200 ms steps, with a CD watch at each.
    void RunCd(int milliseconds) {
        for (int t = 0; t < milliseconds; t += 200) {
            fake.mci.Advance(200);
            if (display.timerEnabled[kTimer2]) display.Timer2_Timer();
        }
    }

    fake::FakePlatform fake;
    platform::Platform seams = fake.Seams();
    NullHost host;
    Random random;
    DisplayForm display{seams, host, random};
    Music& music = display.music;
};

TEST_F(MusicTest, CommandLayerRepliesAndErrors) {
    std::string reply = "old";
    EXPECT_EQ(music.MCI_Send("", reply), -1);
    EXPECT_EQ(reply, "コマンド文字列が指定されていません");
    EXPECT_EQ(music.MCI_Query(""), "Error:-1");
    EXPECT_TRUE(Sent().empty());

    fake.mci.drivePresent = true;
    EXPECT_EQ(music.MCI_Send("open cdaudio", reply), 0);
    EXPECT_EQ(reply, "");
    EXPECT_EQ(music.MCI_Query("status cdaudio number of tracks"), "10");
    EXPECT_EQ(music.MCI_Query("status nothing mode"), "Error:261");
    EXPECT_EQ(music.MCI_Reply, "MCI error 261.");
    fake.mci.undescribed = {261};
    EXPECT_EQ(music.MCI_Send("bogus", reply), 261);
    EXPECT_EQ(reply, "Error (文字列が取れません)");
    // The reply buffer is never cleared: a failed command leaves the last reply in it.
    EXPECT_EQ(music.MCI_ReplyBuf, "10");
}

TEST_F(MusicTest, PlayCommandsLeaveOutWhatIsNotGiven) {
    music.CD_Play("cdaudio", "", "");
    music.CD_Play("cdaudio", "03:00:00:00", "");
    music.CD_Play("cdaudio", "", "04:00:00:00");
    music.CD_Play("cdaudio", "01", "02");
    EXPECT_EQ(Sent(), (std::vector<std::string>{"play cdaudio", "play cdaudio from 03:00:00:00",
                                                "play cdaudio to 04:00:00:00",
                                                "play cdaudio from 01 to 02"}));
}

TEST_F(MusicTest, SoundFileTypeIsTheLastThreeCharactersUpperCased) {
    EXPECT_EQ(Sound_FileType("C:\\a\\song.mp3"), "MP3");
    EXPECT_EQ(Sound_FileType("C:\\a\\tone.Wav"), "WAV");
    EXPECT_EQ(Sound_FileType("C:\\a\\songmp3"), "MP3");
    EXPECT_EQ(Sound_FileType("C:\\a\\song.ogg"), "OGG");
    EXPECT_EQ(Sound_FileType("ab"), "AB");
    EXPECT_EQ(Sound_FileType("曲です.わav"), "わAV");
}

TEST_F(MusicTest, CdStartsOnTheFirstTickAndPlaysOnWhenTheDiscEnds) {
    BGM_Kind = 1;
    Start();
    EXPECT_EQ(host.timers.back(), "Timer4 on");
    EXPECT_NE(std::find(host.timers.begin(), host.timers.end(), "Timer2 on"), host.timers.end());
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

TEST_F(MusicTest, RepeatTrackComesBackWithinOneTick) {
    BGM_Kind = 1;
    BGM_Loop = 3;
    Start();
    RunCd(200);
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "open cdaudio", "set cdaudio time format tmsf",
                          "status cdaudio current track", "status cdaudio number of tracks",
                          "status cdaudio mode", "status cdaudio position track 3",
                          "play cdaudio from 03:00:00:00"}));
    EXPECT_EQ(fake.mci.CurrentTrack(), 3);
    RunCd(180 * 1000 - 400); // to just before the end of track 3
    EXPECT_EQ(fake.mci.CurrentTrack(), 3);
    fake.mci.Advance(600); // runs into track 4 between two ticks
    EXPECT_EQ(fake.mci.CurrentTrack(), 4);
    display.Timer2_Timer();
    EXPECT_EQ(fake.mci.CurrentTrack(), 3);
    EXPECT_LT(fake.mci.cdPositionMs, 2 * 180 * 1000 + 200);
}

TEST_F(MusicTest, RepeatTrackTheDiscLacksPlaysNothingAndKeepsWatching) {
    BGM_Kind = 1;
    BGM_Loop = 20;
    fake.mci.trackSeconds = std::vector<int>(12, 200);
    Start();
    RunCd(1000);
    EXPECT_FALSE(fake.mci.cdPlaying);
    EXPECT_TRUE(display.timerEnabled[kTimer2]);
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "play cdaudio from Error:282"), 5);
}

TEST_F(MusicTest, NoDiscGivesUpAtOnceAndIsNotClosed) {
    BGM_Kind = 1;
    fake.mci.trackSeconds.clear();
    Start();
    RunCd(1000);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"open cdaudio", "set cdaudio time format tmsf",
                                                "status cdaudio current track"}));
    EXPECT_FALSE(display.timerEnabled[kTimer2]);
    EXPECT_EQ(host.timers.back(), "Timer2 off");
    display.Saver_Quit();
    EXPECT_TRUE(Sent().empty());
}

TEST_F(MusicTest, NoDriveAtAllIsLikeNoDisc) {
    BGM_Kind = 1;
    fake.mci.drivePresent = false;
    Start();
    RunCd(400);
    EXPECT_FALSE(display.timerEnabled[kTimer2]);
    display.Form_KeyDown(37); // the arrows still only try
    display.Form_KeyDown(39);
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "open cdaudio", "set cdaudio time format tmsf",
                          "status cdaudio current track", "status cdaudio current track",
                          "status cdaudio position track -1", "play cdaudio from Error:266",
                          "status cdaudio current track", "status cdaudio position track 1",
                          "play cdaudio from Error:266"}));
}

TEST_F(MusicTest, ArrowsStepTracksWithoutWrappingAround) {
    BGM_Kind = 1;
    Start();
    RunCd(200);
    Sent();
    display.Form_KeyDown(39);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"status cdaudio current track",
                                                "status cdaudio position track 2",
                                                "play cdaudio from 02:00:00:00"}));
    EXPECT_EQ(fake.mci.CurrentTrack(), 2);
    display.Form_KeyDown(37);
    display.Form_KeyDown(37); // on the first track: asks for track 0, which fails
    EXPECT_EQ(fake.mci.CurrentTrack(), 1);
    music.CD_Play("cdaudio", "10:00:00:00", "");
    display.Form_KeyDown(39); // on the last: track 11 fails
    EXPECT_EQ(fake.mci.CurrentTrack(), 10);
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(sent.back(), "play cdaudio from Error:282");
    EXPECT_NE(std::find(sent.begin(), sent.end(), "status cdaudio position track 0"), sent.end());
}

TEST_F(MusicTest, ATrackReplyThatIsNoNumber) {
    BGM_Kind = 1;
    fake.mci.currentTrackOverride = "abc";
    Start();
    RunCd(200); // no repeat track: the reply is never read as a number
    EXPECT_TRUE(display.timerEnabled[kTimer2]);
    display.Form_KeyDown(39);
    const std::vector<std::string> sent = Sent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), "status cdaudio position track 1"), sent.end());
    BGM_Loop = 2;
    RunCd(200); // with one, it ends the watch
    EXPECT_FALSE(display.timerEnabled[kTimer2]);
}

TEST_F(MusicTest, Mp3PlaysAndRestartsFromTheBeginningWheneverNotPlaying) {
    BGM_Kind = 2;
    BGM_File = "C:\\音楽 フォルダ\\song.mp3";
    fake.mci.mp3Files[BGM_File] = 2000;
    Start();
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "open \"C:\\音楽 フォルダ\\song.mp3\" type MPEGVideo Alias MP3Play",
                          "play MP3Play"}));
    EXPECT_TRUE(display.timerEnabled[kTimer1]);
    fake.mci.Advance(1000);
    display.Timer1_Timer();
    EXPECT_EQ(Sent(), std::vector<std::string>{"status MP3Play mode"});
    fake.mci.Advance(1000); // the end of the file
    display.Timer1_Timer();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"status MP3Play mode", "stop MP3Play",
                                                "play MP3Play from 0"}));
    EXPECT_TRUE(fake.mci.mp3Playing);
    EXPECT_EQ(fake.mci.mp3PositionMs, 0);
    fake.mci.Advance(500);
    music.MP3_Close(); // paused or stopped by anyone: from the beginning again
    fake.mci.mp3Open = true;
    display.Timer1_Timer();
    EXPECT_EQ(fake.mci.mp3PositionMs, 0);
    Sent();
    display.Saver_Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop MP3Play", "close MP3Play"}));
}

TEST_F(MusicTest, Mp3ThatDoesNotOpenStillHasItsWatch) {
    BGM_Kind = 2;
    BGM_File = "C:\\missing.MP3";
    Start();
    EXPECT_EQ(Sent(), std::vector<std::string>{
                          "open \"C:\\missing.MP3\" type MPEGVideo Alias MP3Play"});
    EXPECT_TRUE(display.timerEnabled[kTimer1]);
    display.Timer1_Timer();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"status MP3Play mode", "stop MP3Play",
                                                "play MP3Play from 0"}));
}

TEST_F(MusicTest, ModeBufferKeepsItsTextAndOnlyItsStartCounts) {
    fake.mci.mp3Files["a.mp3"] = 5000;
    BGM_File = "a.mp3";
    music.MP3_Play();
    EXPECT_TRUE(music.MP3_IsPlaying());
    music.MP3_ModeBuf = "playing and more";
    music.MP3_Close();
    // The failed query writes nothing: the buffer still says "playing".
    EXPECT_TRUE(music.MP3_IsPlaying());
    music.MP3_ModeBuf = "Playing";
    EXPECT_FALSE(music.MP3_IsPlaying()); // letter case counts
}

TEST_F(MusicTest, APathWithAQuoteIsNeverOpened) {
    BGM_Kind = 2;
    BGM_File = "C:\\a\" type waveaudio alias x.mp3";
    Start();
    EXPECT_TRUE(Sent().empty());
}

TEST_F(MusicTest, WavLoopsWhenThereIsAnOutputDevice) {
    BGM_Kind = 2;
    BGM_File = "C:\\曲\\tone.Wav";
    Start();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"waveOutGetNumDevs",
                                                "PlaySound(\"C:\\曲\\tone.Wav\", 9)"}));
    EXPECT_FALSE(display.timerEnabled[kTimer1]);
    display.Saver_Quit();
    EXPECT_EQ(Sent(), std::vector<std::string>{"PlaySound(NULL, 0)"});

    fake.waveDevices = 0;
    music.WAV_Play();
    EXPECT_EQ(Sent(), std::vector<std::string>{"waveOutGetNumDevs"});
}

TEST_F(MusicTest, OtherFilesAndKindsPlayNothing) {
    for (auto [kind, file] : {std::pair{2, "C:\\song.ogg"}, {0, "C:\\song.mp3"}, {7, "C:\\a.wav"},
                              {-3, ""}}) {
        BGM_Kind = static_cast<std::int16_t>(kind);
        BGM_File = file;
        host.timers.clear();
        Start();
        EXPECT_TRUE(Sent().empty()) << kind << ' ' << file;
        EXPECT_EQ(host.timers, (std::vector<std::string>{"Timer3 on", "Timer4 on"}));
    }
}

} // namespace
} // namespace lumora
