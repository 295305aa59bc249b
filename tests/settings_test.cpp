#include "settings/settings.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "text/numbers.h"

namespace lumora {
namespace {

const std::string kIni = "C:\\Lumora\\ルモラ.ini";
const std::string kSong = "C:\\Music\\song.mp3";

class SettingsTest : public ::testing::Test {
protected:
    void Store(const std::string& kind, const std::string& loop, const std::string& file) {
        fake.Put(kIni, kSettingsSection, kKeyKind, kind);
        fake.Put(kIni, kSettingsSection, kKeyLoop, loop);
        fake.Put(kIni, kSettingsSection, kKeyFile, file);
    }

    Settings Load() { return LoadSettings(fake, fake, kIni); }

    fake::FakePlatform fake;
};

TEST_F(SettingsTest, NoFileGivesTheDefaultsAndReadsTheThreeKeys) {
    EXPECT_EQ(Load(), Settings{});
    const std::vector<std::string> expected = {
        "GetPrivateProfileString(\"Section\", \"BGM区分\", 256, \"" + kIni + "\")",
        "GetPrivateProfileString(\"Section\", \"BGMﾘﾋﾟｰﾄ\", 256, \"" + kIni + "\")",
        "GetPrivateProfileString(\"Section\", \"BGMﾌｧｲﾙ\", 256, \"" + kIni + "\")",
    };
    EXPECT_EQ(fake.calls, expected);
}

TEST_F(SettingsTest, WholeNumbersAreReadRoundedDownWithinSixteenBits) {
    const std::pair<const char*, int> cases[] = {
        {" 2", 2},   {"2.9", 2},     {"-0.5", -1}, {" 7", 7},    {"7", 7},  {"1e3", 1000},
        {"abc", 0},  {"40000", 0},   {"&H10", 0},  {"-32768", -32768},      {"32767.9", 32767},
        {"-32768.5", 0}, {"1 2", 0}, {"", 0},
    };
    fake.readableFiles.insert(kSong);
    for (const auto& [text, expected] : cases) {
        Store(text, text, kSong);
        const Settings loaded = Load();
        EXPECT_EQ(loaded.repeatTrack, expected) << '"' << text << '"';
        EXPECT_EQ(static_cast<int>(loaded.music), expected) << '"' << text << '"';
    }
}

TEST_F(SettingsTest, SoundFileKindNeedsAFileThatOpens) {
    Store(" 2", " 0", "");
    EXPECT_EQ(Load(), Settings{});

    Store(" 2", " 0", kSong);
    EXPECT_EQ(Load(), Settings{});

    fake.readableFiles.insert(kSong);
    EXPECT_EQ(Load(), (Settings{MusicKind::SoundFile, 0, kSong}));
}

TEST_F(SettingsTest, StalePathIsClearedUnderTheCdButTheCdStays) {
    Store(" 1", " 3", kSong);
    EXPECT_EQ(Load(), (Settings{MusicKind::AudioCd, 3, ""}));
    EXPECT_EQ(fake.calls.back(), "OpenForReading(\"" + kSong + "\")");
}

TEST_F(SettingsTest, TrailingSeparatorIsIgnoredForTheTestButKept) {
    fake.readableFiles.insert(kSong);
    Store(" 2", "", kSong + "\\");
    EXPECT_EQ(Load(), (Settings{MusicKind::SoundFile, 0, kSong + "\\"}));
    EXPECT_EQ(fake.calls.back(), "OpenForReading(\"" + kSong + "\")");
}

TEST_F(SettingsTest, LongValuesAreCutTo255Bytes) {
    std::string longPath = "C:\\" + std::string(300, 'a');
    Store(" 1", "", longPath);
    fake.readableFiles.insert(longPath.substr(0, 255));
    EXPECT_EQ(Load().musicFile, longPath.substr(0, 255));
}

TEST_F(SettingsTest, FilePathJoinsWithoutLookingAtTheSeparator) {
    fake.programFolder = "C:\\";
    EXPECT_EQ(SettingsFilePath(fake), "C:\\\\ルモラ.ini");
    fake.programFolder = "D:\\ゲーム\\Lumora";
    EXPECT_EQ(SettingsFilePath(fake), "D:\\ゲーム\\Lumora\\ルモラ.ini");
}

TEST_F(SettingsTest, SavedSettingsLoadBackAndAFailedWriteIsReported) {
    const Settings chosen{MusicKind::SoundFile, -3, kSong};
    EXPECT_TRUE(SaveSettings(fake, kIni, chosen));
    EXPECT_EQ(*fake.Find(kIni, kSettingsSection, kKeyKind), " 2");
    EXPECT_EQ(*fake.Find(kIni, kSettingsSection, kKeyLoop), "-3");
    fake.readableFiles.insert(kSong);
    EXPECT_EQ(Load(), chosen);

    fake.writeResult = 0;
    EXPECT_EQ(WriteProfileValue(fake, kSettingsSection, kKeyKind, " 0", kIni), 0);
    EXPECT_FALSE(SaveSettings(fake, kIni, Settings{}));
}

TEST_F(SettingsTest, NamesLongerThan127CharactersAreCut) {
    WriteProfileValue(fake, std::string(200, 's'), std::string(130, 'k') + "区", "v", kIni);
    EXPECT_NE(fake.Find(kIni, std::string(127, 's'), std::string(127, 'k')), nullptr);
}

TEST_F(SettingsTest, FileExistsLooksAtTheCopyWithoutTheLastSeparator) {
    fake.readableFiles.insert("C:\\a.wav");
    EXPECT_TRUE(FileExists(fake, "C:\\a.wav"));
    EXPECT_TRUE(FileExists(fake, "C:\\a.wav\\"));
    EXPECT_FALSE(FileExists(fake, "C:\\a.wav\\\\"));
    EXPECT_FALSE(FileExists(fake, ""));
    EXPECT_FALSE(FileExists(fake, "\\"));
}

} // namespace
} // namespace lumora
