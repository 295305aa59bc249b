#include "display/saver_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "music/music.h"
#include "tests/support/fake_platform.h"
#include "tests/support/session_host.h"

namespace lumora {
namespace {

// The session around the shower: input, the quit, and the music it starts,
// watches and stops through its own thread.
class SessionTest : public ::testing::Test {
protected:
    // A session of its own, with the settings and mode given; nothing logged yet.
    std::unique_ptr<SaverSession> Make(Settings settings = {}) { return Make(std::move(settings), SaverRules()); }
    std::unique_ptr<SaverSession> Make(Settings settings, SessionRules rules) {
        players.push_back(std::make_unique<Music>(seams, settings));
        host.player = players.back().get();
        auto made = std::make_unique<SaverSession>(seams, host, host, host, std::move(settings), rules);
        fake.calls.clear();
        return made;
    }
    // A session whose first frames are on screen, so that its music may start.
    SaverSession& Start(Settings settings) {
        host.runAtOnce = false;
        session = Make(std::move(settings));
        for (int frame = 0; frame < SaverSession::kFramesBeforeMusic; ++frame) session->OnFrameShown();
        return *session;
    }
    // The same, with the music's start finished and heard of. From then on the
    // music's thread does its work as it is given.
    SaverSession& Started(Settings settings) {
        SaverSession& shown = Start(std::move(settings));
        host.RunBackground();
        host.runAtOnce = true;
        return shown;
    }
    // The MCI commands and sound calls sent since the last call.
    std::vector<std::string> Sent() {
        std::vector<std::string> sent;
        for (const std::string& call : fake.calls)
            if (call.rfind("mci: ", 0) == 0 || call.rfind("PlaySound", 0) == 0 || call.rfind("waveOut", 0) == 0)
                sent.push_back(call.rfind("mci: ", 0) == 0 ? call.substr(5) : call);
        fake.calls.clear();
        return sent;
    }

    // Windows' run switch: the system takes part, and the old family asks its password.
    SessionRules SaverRules() const {
        SessionRules rules;
        rules.mouseMoveEnds = rules.systemTakesPart = true;
        rules.asksPassword = fake.version.platformId != 2;
        return rules;
    }

    fake::FakePlatform fake;
    platform::Platform seams = fake.Seams();
    fake::RecordingSessionHost host{fake};
    std::vector<std::unique_ptr<Music>> players; // one for each session made, outliving it
    std::unique_ptr<SaverSession> session = Make();
};

TEST_F(SessionTest, OnlyAMoveInBothAxesAwayFromTheFirstPositionQuits) {
    session->OnMouseMove(100, 100); // the event a resting mouse sends on opening
    session->OnMouseMove(150, 100); // X only
    session->OnMouseMove(100, 150); // Y only
    EXPECT_FALSE(host.ended);
    session->OnMouseMove(100.5f, 100.5f);
    EXPECT_TRUE(host.ended);
}

TEST_F(SessionTest, WithoutASwitchMovementIsIgnoredButKeysAndClicksQuit) {
    session = Make({}, SessionRules{});
    session->OnMouseMove(1, 1);
    session->OnMouseMove(500, 500);
    session->OnMouseMove(900, 700);
    EXPECT_FALSE(host.ended);
    session->OnKey(Key::Other);
    EXPECT_TRUE(host.ended);
    // Neither cursor nor running flag is touched without the run switch.
    EXPECT_EQ(fake.cursorCount, 0);
    EXPECT_FALSE(fake.runningFlag);

    std::unique_ptr<SaverSession> clicked = Make({}, SessionRules{});
    host.ended = false;
    clicked->OnClick();
    EXPECT_TRUE(host.ended);
}

TEST_F(SessionTest, ArrowKeysBelongToTheCdOnly) {
    const std::tuple<int, Key, bool> cases[] = {
        {1, Key::PreviousTrack, false}, {1, Key::NextTrack, false}, {1, Key::Other, true},
        {2, Key::PreviousTrack, true},  {0, Key::NextTrack, true},  {7, Key::PreviousTrack, true},
    };
    for (const auto& [kind, key, quits] : cases) {
        std::unique_ptr<SaverSession> shown = Make({static_cast<MusicKind>(kind), 0, ""});
        host.ended = false;
        shown->OnKey(key);
        EXPECT_EQ(host.ended, quits) << "kind " << kind << " key " << static_cast<int>(key);
    }
}

TEST_F(SessionTest, AQuitOnTheNtFamilyStopsTheDiscThenGivesEverythingBackAndEnds) {
    fake.cursorCount = -1; // hidden by start-up
    Started({MusicKind::AudioCd, 0, ""});
    fake.mci.Advance(200);
    session->OnTimer(SessionTimer::CdWatch);
    ASSERT_TRUE(fake.mci.cdPlaying);
    EXPECT_TRUE(session->Quit());
    EXPECT_FALSE(fake.mci.cdPlaying || fake.mci.cdOpen);
    EXPECT_FALSE(session->TimerEnabled(SessionTimer::CdWatch));
    EXPECT_EQ(fake.runningFlag, 0u);
    EXPECT_EQ(fake.cursorCount, 0);
    EXPECT_TRUE(host.closed && host.ended && session->Ended());
    // No password of its own on the NT family; the disc stops before the end.
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "VerifyScreenSavePwd"), 0);
    EXPECT_LT(std::find(fake.calls.begin(), fake.calls.end(), "mci: close cdaudio"),
              std::find(fake.calls.begin(), fake.calls.end(), "End"));
}

TEST_F(SessionTest, OffTheNtFamilyThePasswordDecides) {
    fake.version = {1, 1};
    session = Make(); // the old family: its rules ask the password
    fake.cursorCount = -1;
    host.passwordAnswer = 0;
    session->OnMouseMove(10, 10);
    session->OnMouseMove(20, 20);
    // Refused: the cursor shown for the password is hidden again, and the saver goes on.
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "VerifyScreenSavePwd"), 1);
    EXPECT_EQ(fake.cursorCount, -1);
    EXPECT_FALSE(host.closed || host.ended);
    // A refused quit from a move forgets where the mouse started: the next
    // position is the new start, and moving from it asks again.
    fake.calls.clear();
    session->OnMouseMove(30, 30);
    EXPECT_TRUE(fake.calls.empty());
    session->OnKey(Key::Other); // refused too, but a key keeps the start
    fake.calls.clear();
    session->OnMouseMove(40, 40);
    EXPECT_FALSE(fake.calls.empty());

    host.passwordAnswer = 1;
    session->OnClick();
    EXPECT_TRUE(host.ended);
    EXPECT_GE(fake.cursorCount, 0); // shown for the password, and again at the end
    EXPECT_EQ(fake.runningFlag, 0u);
}

TEST_F(SessionTest, AQuitFromTheEventsItRunsDoesNotAskTwice) {
    fake.version = {1, 1};
    session = Make(); // the old family: its rules ask the password
    host.waitingEvent = [this, queued = true]() mutable { // a key already queued
        if (queued) session->OnKey(Key::Other);
        return std::exchange(queued, false);
    };
    session->OnClick();
    int asked = 0;
    int ended = 0;
    for (const std::string& call : fake.calls) {
        asked += call == "VerifyScreenSavePwd";
        ended += call == "End";
    }
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ended, 1);
}

TEST_F(SessionTest, AQuitLetsOnlyABoundedShareOfTheWaitingEventsRun) {
    // Frames that take as long as their period, so that one is due at every
    // look: quick ones end by their count, slow ones by the time.
    for (auto [frameMs, events] : {std::pair{0u, SaverSession::kEventsBeforeQuit},
                                   {100u, (SaverSession::kEventsBeforeQuitMs + 99) / 100}}) {
        int run = 0;
        host.waitingEvent = [&, frameMs = frameMs] { return ++run, fake.tickCount += frameMs, true; };
        Make()->OnClick();
        EXPECT_EQ(run, events) << frameMs;
    }
}

TEST_F(SessionTest, ATickPostedWhileItsTimerIsOffDoesNothing) {
    for (int timer = 0; timer < kSessionTimers; ++timer) {
        session = Make({MusicKind::AudioCd, 0, ""}); // not started: every timer off
        fake.calls.clear();
        session->OnTimer(static_cast<SessionTimer>(timer));
        EXPECT_TRUE(fake.calls.empty() && host.background.empty()) << timer;
    }
}

TEST_F(SessionTest, TheScreenIsCoveredBeforeTheMusicTouchesAFileOrADevice) {
    fake.readableFiles.insert("C:\\tone.wav");
    session = Make({MusicKind::SoundFile, 0, "C:\\tone.wav"});
    session->OnFrameShown();
    EXPECT_TRUE(host.background.empty());
    session->OnFrameShown();
    ASSERT_EQ(host.background.size(), 1u); // after the first frames, on its own thread
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "OpenForReading(\"C:\\tone.wav\")"), 0);
    EXPECT_TRUE(Sent().empty());
    host.RunBackground();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"waveOutGetNumDevs", "PlaySound(\"C:\\tone.wav\", looped, no default)"}));
    EXPECT_TRUE(session->MusicReady());
    EXPECT_FALSE(session->TimerEnabled(SessionTimer::MusicDeadline));
    session->Quit();
    EXPECT_EQ(Sent(), std::vector<std::string>{"PlaySound(NULL)"});
}

TEST_F(SessionTest, AStartThatMissesItsDeadlineIsGivenUpAndStopsItselfWhenItEnds) {
    fake.readableFiles.insert("C:\\slow.mp3");
    fake.mci.mp3Files["C:\\slow.mp3"] = 60000;
    SaverSession& shown = Start({MusicKind::SoundFile, 0, "C:\\slow.mp3"});
    EXPECT_TRUE(shown.TimerEnabled(SessionTimer::MusicDeadline));
    shown.OnTimer(SessionTimer::MusicDeadline); // a tick another program posted early changes nothing
    EXPECT_TRUE(shown.TimerEnabled(SessionTimer::MusicDeadline));
    fake.tickCount += SaverSession::kMusicGiveUpMs;
    shown.OnTimer(SessionTimer::MusicDeadline); // three seconds and still opening
    EXPECT_FALSE(shown.TimerEnabled(SessionTimer::MusicDeadline));
    Sent();
    host.RunBackground(); // the open finally answers
    EXPECT_FALSE(fake.mci.mp3Open); // what it opened it closed again
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "play MP3Play"), 0); // without a sound
    EXPECT_FALSE(fake.mci.mp3Playing);
    EXPECT_FALSE(shown.MusicReady());
    EXPECT_FALSE(shown.TimerEnabled(SessionTimer::FileMusicWatch));
    for (int frame = 0; frame < 10; ++frame) shown.OnFrameShown(); // the stars go on
    Sent();
    shown.Quit();
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(SessionTest, AQuitWhileTheMusicStartsEndsAtOnceAndNothingPlaysAfter) {
    fake.readableFiles.insert("C:\\tone.wav");
    SaverSession& shown = Start({MusicKind::SoundFile, 0, "C:\\tone.wav"});
    shown.OnKey(Key::Other);
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(host.background.empty()); // the start came to its end, silently, before the process did
    EXPECT_TRUE(Sent().empty());

    // Finished, but not yet heard of by the window: the quit stops it itself.
    SaverSession& other = Start({MusicKind::SoundFile, 0, "C:\\tone.wav"});
    host.RunBackground(false);
    Sent();
    other.Quit();
    EXPECT_EQ(Sent(), std::vector<std::string>{"PlaySound(NULL)"});
    host.Deliver(); // the news comes too late and changes nothing
    EXPECT_FALSE(other.MusicReady());
}

TEST_F(SessionTest, AWatchStillOnTheMusicThreadSkipsTheNextTicks) {
    SaverSession& shown = Started({MusicKind::AudioCd, 0, ""});
    host.runAtOnce = false; // the drive takes its time to answer
    Sent();
    for (int tick = 0; tick < 5; ++tick) shown.OnTimer(SessionTimer::CdWatch);
    EXPECT_EQ(host.background.size(), 1u);
    host.RunBackground();
    shown.OnTimer(SessionTimer::CdWatch);
    EXPECT_EQ(host.background.size(), 1u);
}

TEST_F(SessionTest, AQuitDoesNotWaitLongForAStuckMusicThread) {
    SaverSession& shown = Started({MusicKind::AudioCd, 0, ""});
    host.runAtOnce = false;
    host.musicThreadStuck = true;
    shown.Quit();
    EXPECT_TRUE(host.ended);
    EXPECT_NE(std::find(fake.calls.begin(), fake.calls.end(),
                        "WaitForMusicThread(" + std::to_string(SessionRules{}.stopWaitMs) + ")"),
              fake.calls.end());
}

TEST_F(SessionTest, ArrowsOnASlowDriveAddUpAndNeverHoldUpTheStopAtTheEnd) {
    SaverSession& shown = Started({MusicKind::AudioCd, 0, ""});
    fake.mci.Advance(200);
    shown.OnTimer(SessionTimer::CdWatch); // the disc plays its first track
    host.runAtOnce = false;
    fake.mci.answerMs = 150; // a step is three commands: close to half a second
    for (int press = 0; press < 3; ++press) shown.OnKey(Key::NextTrack);
    EXPECT_EQ(host.background.size(), 1u);
    host.RunBackground(); // one step, then the two pressed meanwhile as one
    EXPECT_EQ(fake.mci.CurrentTrack(), 4);
    for (int press = 0; press < 3; ++press) shown.OnKey(Key::PreviousTrack);
    shown.OnKey(Key::Other);
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(host.waitFinished);
    EXPECT_FALSE(fake.mci.cdPlaying);
}

TEST_F(SessionTest, TheCdIsWatchedOnceStartedAndClosedAtTheEnd) {
    SaverSession& shown = Started({MusicKind::AudioCd, 0, ""});
    EXPECT_TRUE(shown.TimerEnabled(SessionTimer::CdWatch));
    EXPECT_EQ(Sent(), (std::vector<std::string>{"open cdaudio", "set cdaudio time format tmsf"}));
    fake.mci.Advance(200);
    shown.OnTimer(SessionTimer::CdWatch);
    EXPECT_TRUE(fake.mci.cdPlaying);
    Sent();
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop cdaudio", "close cdaudio"}));
}

TEST_F(SessionTest, TheCdWatchBearsAFewFailuresAndTheDiscIsStoppedWhateverItFound) {
    SaverSession& shown = Started({MusicKind::AudioCd, 0, ""});
    fake.mci.currentTrackOverride = "Error"; // the drive answers nothing useful for a while
    shown.OnTimer(SessionTimer::CdWatch);
    shown.OnTimer(SessionTimer::CdWatch);
    fake.mci.currentTrackOverride.clear();
    shown.OnTimer(SessionTimer::CdWatch); // readable again: the count starts over
    EXPECT_TRUE(fake.mci.cdPlaying);
    fake.mci.currentTrackOverride = "Error";
    for (int tick = 1; tick < SaverSession::kCdFailuresToGiveUp; ++tick) {
        shown.OnTimer(SessionTimer::CdWatch);
        EXPECT_TRUE(shown.TimerEnabled(SessionTimer::CdWatch)) << tick;
    }
    shown.OnTimer(SessionTimer::CdWatch);
    EXPECT_FALSE(shown.TimerEnabled(SessionTimer::CdWatch));
    EXPECT_TRUE(fake.mci.cdPlaying); // still playing, unwatched
    Sent();
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop cdaudio", "close cdaudio"}));
    EXPECT_FALSE(fake.mci.cdPlaying);
}

TEST_F(SessionTest, NoDiscGivesUpAfterAFewWatchesAndTheOpenDeviceIsClosed) {
    fake.mci.trackSeconds.clear();
    SaverSession& shown = Started({MusicKind::AudioCd, 0, ""});
    for (int tick = 0; tick < 10; ++tick)
        if (shown.TimerEnabled(SessionTimer::CdWatch)) shown.OnTimer(SessionTimer::CdWatch);
    const std::vector<std::string> sent = Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "status cdaudio current track"),
              SaverSession::kCdFailuresToGiveUp);
    EXPECT_FALSE(shown.TimerEnabled(SessionTimer::CdWatch));
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop cdaudio", "close cdaudio"}));
}

TEST_F(SessionTest, NoDriveAtAllIsNeitherWatchedLongNorClosedAndTheArrowsStillOnlyTry) {
    fake.mci.drivePresent = false;
    SaverSession& shown = Start({MusicKind::AudioCd, 0, ""});
    shown.OnKey(Key::PreviousTrack); // still starting: the arrows wait
    EXPECT_FALSE(host.ended);
    host.RunBackground();
    host.runAtOnce = true;
    for (int tick = 0; tick < SaverSession::kCdFailuresToGiveUp; ++tick) shown.OnTimer(SessionTimer::CdWatch);
    EXPECT_FALSE(shown.TimerEnabled(SessionTimer::CdWatch));
    Sent();
    shown.OnKey(Key::PreviousTrack);
    shown.OnKey(Key::NextTrack);
    EXPECT_FALSE(host.ended);
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "status cdaudio current track", "status cdaudio position track -1",
                          "play cdaudio from Error:266", "status cdaudio current track",
                          "status cdaudio position track 1", "play cdaudio from Error:266"}));
    shown.Quit();
    EXPECT_TRUE(Sent().empty()); // the device never opened
}

TEST_F(SessionTest, AnMp3ThatIsThereHasItsWatchEvenWhenItDoesNotOpen) {
    fake.readableFiles.insert("C:\\bogus.MP3");
    SaverSession& shown = Started({MusicKind::SoundFile, 0, "C:\\bogus.MP3"});
    EXPECT_EQ(Sent(), std::vector<std::string>{"open \"C:\\bogus.MP3\" type MPEGVideo Alias MP3Play"});
    EXPECT_TRUE(shown.TimerEnabled(SessionTimer::FileMusicWatch));
    shown.OnTimer(SessionTimer::FileMusicWatch);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"status MP3Play mode", "stop MP3Play",
                                                "play MP3Play from 0"}));
    shown.Quit();
    EXPECT_EQ(Sent(), (std::vector<std::string>{"stop MP3Play", "close MP3Play"}));
}

TEST_F(SessionTest, AMusicFileThatIsGoneIsSilenceWithoutAWatch) {
    SaverSession& shown = Started({MusicKind::SoundFile, 0, "C:\\gone.mp3"});
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(shown.MusicReady());
    EXPECT_FALSE(shown.TimerEnabled(SessionTimer::FileMusicWatch));
    shown.Quit();
    EXPECT_TRUE(Sent().empty());
}

TEST_F(SessionTest, OtherFilesAndKindsPlayNothing) {
    const std::pair<int, const char*> cases[] = {
        {2, "C:\\song.ogg"}, {0, "C:\\song.mp3"}, {7, "C:\\a.wav"}, {-3, ""}};
    for (const auto& [kind, file] : cases) {
        fake.readableFiles.insert(file);
        SaverSession& shown = Started({static_cast<MusicKind>(kind), 0, file});
        EXPECT_TRUE(Sent().empty()) << kind << ' ' << file;
        for (SessionTimer watch : {SessionTimer::CdWatch, SessionTimer::FileMusicWatch})
            EXPECT_FALSE(shown.TimerEnabled(watch)) << kind << ' ' << file;
    }
}

} // namespace
} // namespace lumora
