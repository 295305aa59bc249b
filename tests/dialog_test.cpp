#include "dialog/dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "tests/support/dialog_host.h"
#include "tests/support/fake_platform.h"
#include "text/numbers.h"
#include "settings/settings.h"

namespace lumora {
namespace {

class DialogTest : public ::testing::Test {
protected:
    const std::string* Stored(const char* key) const {
        return fake.Find("C:\\Lumora\\ルモラ.ini", kSettingsSection, key);
    }

    // A new dialog over these settings, not opened yet.
    SettingsDialog& With(Settings settings) {
        dialog = std::make_unique<SettingsDialog>(seams, host, std::move(settings));
        return *dialog;
    }

    // The frames painted so far, in order.
    std::vector<std::string> Frames() const {
        std::vector<std::string> frames;
        for (const std::string& call : host.calls)
            if (call.rfind("Frame", 0) == 0) frames.push_back(call);
        return frames;
    }

    fake::FakePlatform fake;
    platform::Platform seams = fake.Seams();
    fake::RecordingDialogHost host;
    std::unique_ptr<SettingsDialog> dialog = std::make_unique<SettingsDialog>(seams, host, Settings{});
};

TEST_F(DialogTest, OpeningPlacesShowsZoomsOutOfThePointerAndStartsTheAnimation) {
    With({MusicKind::AudioCd, 12, "C:\\曲.mp3"}).Open();
    EXPECT_EQ(host.calls.front(), "Place(461,225)"); // placed before anything shows
    EXPECT_EQ(host.calls.back(), "Animation on");
    EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "Zoom(300,200,300,200)->(278,172,745,422)"),
              host.calls.end());
    EXPECT_EQ(host.hands, (std::set<Control>{Control::NoneMark, Control::CdMark, Control::FileMark,
                                             Control::NoneLabel, Control::CdLabel, Control::FileLabel,
                                             Control::ChooseFileButton, Control::CancelButton,
                                             Control::SaveButton, Control::Link}));
    EXPECT_TRUE(host.marks[1]);
    EXPECT_FALSE(host.marks[0] || host.marks[2]);
    EXPECT_TRUE(host.repeatEnabled);
    EXPECT_FALSE(host.fileEnabled);
    EXPECT_EQ(host.repeatText, "12");
    ASSERT_EQ(host.entries.size(), 31u);
    EXPECT_EQ(host.entries.front(), "");
    EXPECT_EQ(host.entries[1], "1");
    EXPECT_EQ(host.entries.back(), "30");
    EXPECT_EQ(host.fileCaption, "C:\\曲.mp3");
}

TEST_F(DialogTest, TheStoredFileIsLookedAtOnlyOnceTheDialogStands) {
    With({MusicKind::SoundFile, 0, "\\\\server\\gone.mp3"}).Open();
    EXPECT_TRUE(host.marks[2]);
    EXPECT_EQ(host.fileCaption, "\\\\server\\gone.mp3"); // shown as stored, untested
    EXPECT_TRUE(fake.calls.empty());
    host.RunBackground();
    EXPECT_EQ(fake.calls, std::vector<std::string>{"OpenForReading(\"\\\\server\\gone.mp3\")"});
    // Gone: the path goes, and the sound-file kind with it, as loading always did.
    EXPECT_EQ(host.fileCaption, "");
    EXPECT_TRUE(host.marks[0] && !host.marks[2] && !host.fileEnabled);
    EXPECT_EQ(dialog->Current(), Settings{});

    // A file that is there changes nothing; nor does a late answer about a file
    // the user has replaced meanwhile, nor one after the user chose a kind.
    fake.readableFiles.insert("C:\\here.wav");
    With({MusicKind::SoundFile, 0, "C:\\here.wav"}).Open();
    host.RunBackground();
    EXPECT_EQ(dialog->Current().musicFile, "C:\\here.wav");
    With({MusicKind::SoundFile, 0, "C:\\gone.wav"}).Open();
    host.openAnswer = {1, "C:\\here.wav"};
    dialog->OnChooseFile();
    host.RunBackground();
    EXPECT_EQ(dialog->Current(), (Settings{MusicKind::SoundFile, 0, "C:\\here.wav"}));
    With({MusicKind::SoundFile, 0, "C:\\gone.wav"}).Open();
    dialog->OnMusicChoice(MusicKind::SoundFile);
    host.RunBackground();
    EXPECT_EQ(dialog->Current(), (Settings{MusicKind::SoundFile, 0, ""}));
    // Nor one that comes while the user is choosing a file.
    With({MusicKind::SoundFile, 0, "C:\\gone.wav"}).Open();
    host.whileChoosing = [this] { host.RunBackground(); };
    dialog->OnChooseFile();
    EXPECT_EQ(dialog->Current(), (Settings{MusicKind::SoundFile, 0, "C:\\here.wav"}));
    EXPECT_TRUE(host.marks[2] && host.fileEnabled);
}

TEST_F(DialogTest, OpeningFocusesTheFirstEnabledStop) {
    With({MusicKind::AudioCd, 0, ""}).Open();
    EXPECT_EQ(host.focused, Control::RepeatBox);
    With({MusicKind::SoundFile, 0, ""}).Open();
    EXPECT_EQ(host.focused, Control::ChooseFileButton);
    for (int kind : {0, 7}) {
        With({static_cast<MusicKind>(kind), 0, ""}).Open();
        EXPECT_EQ(host.focused, Control::CancelButton) << kind;
    }
}

TEST_F(DialogTest, TheArrowsWalkTheChoicesAsTheyStandAndDoWhatAClickDoes) {
    With({MusicKind::AudioCd, 0, ""}).Open();
    dialog->OnMusicChoiceKey(+1); // down from 音楽CD
    EXPECT_EQ(dialog->Current().music, MusicKind::NoMusic);
    EXPECT_TRUE(host.marks[0] && !host.repeatEnabled && !host.fileEnabled);
    dialog->OnMusicChoiceKey(+1);
    EXPECT_EQ(dialog->Current().music, MusicKind::SoundFile);
    EXPECT_TRUE(host.marks[2] && host.fileEnabled);
    dialog->OnMusicChoiceKey(+1); // round to the top
    EXPECT_EQ(dialog->Current().music, MusicKind::AudioCd);
    EXPECT_TRUE(host.repeatEnabled);
    dialog->OnMusicChoiceKey(-1); // and up from the top, round to the bottom
    EXPECT_EQ(dialog->Current().music, MusicKind::SoundFile);
    With({static_cast<MusicKind>(7), 0, ""}).Open();
    dialog->OnMusicChoiceKey(+1);
    EXPECT_EQ(dialog->Current().music, MusicKind::AudioCd);
}

TEST_F(DialogTest, FullWidthDigitsTypedWithTheInputMethodCountAsDigits) {
    const std::pair<const char*, const char*> cases[] = {
        {"３", " 3"}, {"１２", " 12"}, {"　７　", " 7"}, {"－４", "-4"}, {"２．５", " 2"},
        {"1２", " 12"}, {"三", " 0"}, {"３ａ", " 0"},
    };
    for (const auto& [typed, stored] : cases) {
        host.repeatText = typed;
        dialog->OnSave();
        EXPECT_EQ(*Stored(kKeyLoop), stored) << '"' << typed << '"';
    }
}

TEST_F(DialogTest, KindsThatAreNoOptionMarkAndEnableNothing) {
    for (int kind : {7, -3}) {
        SettingsDialog& shown = With({static_cast<MusicKind>(kind), 0, ""});
        shown.Open();
        EXPECT_FALSE(host.marks[0] || host.marks[1] || host.marks[2]);
        EXPECT_FALSE(host.repeatEnabled || host.fileEnabled);
        shown.OnSave();
        EXPECT_EQ(*Stored(kKeyKind), SignColumn(kind)); // written back unchanged
    }
}

TEST_F(DialogTest, WithoutThePointerTheZoomsUseTheCorner) {
    host.cursorResult = 0;
    dialog->Open();
    EXPECT_EQ(host.calls[host.calls.size() - 2], "Zoom(0,0,0,0)->(278,172,745,422)");
    dialog->OnClose();
    EXPECT_EQ(host.calls.back(), "Zoom(278,172,745,422)->(0,0,0,0)");
}

TEST_F(DialogTest, ChoosingMarksOneOptionEnablesItsControlAndSetsTheKind) {
    dialog->Open();
    host.repeatText = "5";
    host.fileCaption = "C:\\a.wav";
    dialog->OnMusicChoice(MusicKind::AudioCd);
    EXPECT_EQ(dialog->Current().music, MusicKind::AudioCd);
    EXPECT_TRUE(host.marks[1] && host.repeatEnabled && !host.fileEnabled);
    dialog->OnMusicChoice(MusicKind::SoundFile);
    EXPECT_EQ(dialog->Current().music, MusicKind::SoundFile);
    EXPECT_TRUE(host.marks[2] && !host.marks[1] && host.fileEnabled && !host.repeatEnabled);
    dialog->OnMusicChoice(MusicKind::NoMusic);
    EXPECT_EQ(dialog->Current().music, MusicKind::NoMusic);
    EXPECT_TRUE(host.marks[0] && !host.fileEnabled && !host.repeatEnabled);
    EXPECT_EQ(host.repeatText, "5"); // choosing touches neither the box nor the file
    EXPECT_EQ(host.fileCaption, "C:\\a.wav");
}

TEST_F(DialogTest, TrackFormatWritesNothingForZero) {
    EXPECT_EQ(FormatTrack(0), "");
    EXPECT_EQ(FormatTrack(7), "7");
    EXPECT_EQ(FormatTrack(30), "30");
    EXPECT_EQ(FormatTrack(-5), "-5");
    EXPECT_EQ(FormatTrack(123), "123");
}

TEST_F(DialogTest, TheRepeatTextIsSavedAsATrack) {
    const std::pair<const char*, const char*> cases[] = {
        {"7", " 7"},   {" 12 ", " 12"}, {"2.5", " 2"},   {"3.5", " 4"},     {"abc", " 0"},
        {"", " 0"},    {"45", " 45"},   {"-3", "-3"},    {"40000", " 0"},   {"-32768", "-32768"},
        {"1e9", " 0"}, {"32767.5", " 0"},
    };
    for (const auto& [typed, stored] : cases) {
        host.repeatText = typed;
        dialog->OnSave();
        EXPECT_EQ(*Stored(kKeyLoop), stored) << '"' << typed << '"';
    }
}

TEST_F(DialogTest, SavingWritesAllThreeKeysWhateverTheKind) {
    With({MusicKind::AudioCd, 0, "C:\\song.mp3"}).Open();
    host.repeatText = "12";
    dialog->OnMusicChoice(MusicKind::NoMusic);
    fake.calls.clear();
    dialog->OnSave();
    // Written in their order into a copy that then takes the file's place.
    const std::string copy = "\"C:\\Lumora\\ルモラ.ini.new\")";
    const std::vector<std::string> expected = {
        "WritePrivateProfileString(\"Section\", \"BGM区分\", \" 0\", " + copy,
        "WritePrivateProfileString(\"Section\", \"BGMﾘﾋﾟｰﾄ\", \" 12\", " + copy,
        "WritePrivateProfileString(\"Section\", \"BGMﾌｧｲﾙ\", \"C:\\song.mp3\", " + copy};
    std::vector<std::string> writes;
    for (const std::string& call : fake.calls)
        if (call.rfind("WritePrivateProfileString", 0) == 0) writes.push_back(call);
    EXPECT_EQ(writes, expected);
    EXPECT_EQ(fake.calls.back(), "Replace(\"C:\\Lumora\\ルモラ.ini.new\", \"C:\\Lumora\\ルモラ.ini\")");
    EXPECT_EQ(fake.calls.end()[-2], "Flush(\"C:\\Lumora\\ルモラ.ini.new\")"); // on the disk before that
    EXPECT_EQ(*Stored(kKeyFile), "C:\\song.mp3");
    EXPECT_EQ(dialog->Current().repeatTrack, 12);
    EXPECT_EQ(host.calls.back(), "Close");
}

TEST_F(DialogTest, ASaveThatFailsEverywhereSaysWhyAndKeepsTheChoice) {
    fake.readOnly = {"C:\\Lumora", "C:\\Users\\u\\AppData\\Roaming"};
    With({MusicKind::NoMusic, 0, ""}).Open();
    dialog->OnMusicChoice(MusicKind::AudioCd);
    host.repeatText = "3";
    dialog->OnSave();
    ASSERT_FALSE(host.calls.empty());
    EXPECT_EQ(host.calls.back(),
              "Message: 設定を保存できませんでした。\n\nC:\\Lumora\nアクセスが拒否されました。"
              "\n\nC:\\Users\\u\\AppData\\Roaming\\Lumora\nアクセスが拒否されました。");
    EXPECT_EQ(dialog->Current(), (Settings{MusicKind::AudioCd, 3, ""})); // still open, still chosen
    EXPECT_TRUE(host.marks[1]);
    EXPECT_TRUE(fake.profiles.empty());

    fake.readOnly.clear(); // the user made room: the same button now saves and closes
    dialog->OnSave();
    EXPECT_EQ(host.calls.back(), "Close");
    EXPECT_EQ(*Stored(kKeyLoop), " 3");
}

TEST_F(DialogTest, CancelWritesNothing) {
    dialog->Open();
    dialog->OnMusicChoice(MusicKind::SoundFile);
    fake.calls.clear();
    dialog->OnCancel();
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(host.calls.back(), "Close");
}

TEST_F(DialogTest, ChoosingAFileTakesThePathOnlyWhenAccepted) {
    With({MusicKind::SoundFile, 0, "C:\\old.wav"}).Open();
    host.openAnswer = {0, ""};
    dialog->OnChooseFile();
    EXPECT_EQ(host.calls.back(), "OpenFile(BGMﾌｧｲﾙ (MP3 WAV)|*.MP3;*.WAV|ﾌｧｲﾙを開く)");
    EXPECT_EQ(dialog->Current().musicFile, "C:\\old.wav");
    EXPECT_EQ(host.fileCaption, "C:\\old.wav");
    host.openAnswer = {1, "D:\\音楽\\new.mp3"};
    dialog->OnChooseFile();
    EXPECT_EQ(dialog->Current().musicFile, "D:\\音楽\\new.mp3");
    EXPECT_EQ(host.fileCaption, "D:\\音楽\\new.mp3");
}

TEST_F(DialogTest, ClosingZoomsBackToWhereThePointerWasOnOpening) {
    dialog->Open();
    host.cursorX = 900; // moved since
    dialog->OnClose();
    EXPECT_EQ(host.calls.back(), "Zoom(278,172,745,422)->(300,200,300,200)");
}

TEST_F(DialogTest, TheLinkOpensUnderTheHourglass) {
    dialog->OnLink();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Hourglass", std::string("Open ") + SettingsDialog::kAddress,
                                                    "Default"}));
}

TEST(DialogShading, RunsDarkBlueToPaleAndBack) {
    const std::vector<std::int32_t> inner = ShadeRows(149, 1);
    ASSERT_EQ(inner.size(), 149u);
    EXPECT_EQ(inner[0], 30 << 16);
    EXPECT_EQ(inner[74], 220 + 220 * 256 + 250 * 65536);
    for (std::int32_t color : inner) {
        const int red = color & 0xFF;
        EXPECT_EQ(color >> 16, red + 30);
        EXPECT_EQ((color >> 8) & 0xFF, red);
    }
    // Fifteen twips share a pixel row of the outer panel, and the last one wins.
    const std::vector<std::int32_t> outer = ShadeRows(225, 15);
    EXPECT_EQ(outer[0], ShadeColor(14, 3375));
    EXPECT_EQ(outer[0], 3 + 3 * 256 + 33 * 65536);
    EXPECT_EQ(outer[224], ShadeColor(3374, 3375));
    EXPECT_EQ(ShadeColor(0, 0), 30 << 16); // a panel of no height
}

TEST_F(DialogTest, TheAnimationRunsTwentyFourFramesRound) {
    for (int tick = 0; tick < 25; ++tick) dialog->OnAnimationTimer();
    EXPECT_EQ(host.calls[0], "ClearEarth");
    EXPECT_EQ(host.calls[1], "Frame0");
    EXPECT_EQ(host.calls[2], "Refresh");
    const std::vector<std::string> frames = Frames();
    EXPECT_EQ(frames[23], "Frame23");
    EXPECT_EQ(frames[24], "Frame0");
    dialog->Open(); // opening starts the Earth from its first frame again
    host.calls.clear();
    dialog->OnAnimationTimer();
    EXPECT_EQ(Frames(), std::vector<std::string>{"Frame0"});
}

TEST(DialogPlace, APlaceIsTakenOnlyWhereTheCaptionCanBeGrabbed) {
    // A 1024x768 primary and an 800x600 monitor to its left; a 30-pixel caption.
    const std::vector<Rect> monitors = {{0, 0, 1024, 768}, {-800, 0, 0, 600}};
    const std::pair<Rect, bool> cases[] = {
        {{100, 100, 567, 130}, true},
        {{-700, 500, -233, 530}, true},    // on the other monitor
        {{-100000, 0, -99533, 30}, false}, // far out, as junk proposes
        {{1023, 0, 1490, 30}, false},      // one pixel on the screen touches it, no more
        {{100, 754, 567, 784}, false},     // less than half above the bottom edge
        {{-700, 600, -233, 630}, false},   // under the smaller monitor, where no screen is
    };
    for (const auto& [caption, reachable] : cases)
        EXPECT_EQ(CaptionReachable(caption, monitors), reachable) << caption.left << "," << caption.top;
}

} // namespace
} // namespace lumora
