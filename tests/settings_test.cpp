#include "settings/settings.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "settings/numbers.h"

namespace lumora {
namespace {

const std::string kIni = "C:\\Lumora\\ルモラ.ini";
const std::string kSong = "C:\\Music\\song.mp3";

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        BGM_Kind = 0;
        BGM_Loop = 0;
        BGM_File.clear();
        Last_Result = 0;
        Ini_Value.clear();
    }

    void Store(const std::string& kind, const std::string& loop, const std::string& file) {
        fake.Put(kIni, kSettingsSection, kKeyKind, kind);
        fake.Put(kIni, kSettingsSection, kKeyLoop, loop);
        fake.Put(kIni, kSettingsSection, kKeyFile, file);
    }

    void Load() { Settings_Load(fake.Seams()); }

    fake::FakePlatform fake;
};

TEST_F(SettingsTest, NoFileGivesTheDefaultsAndReadsTheThreeKeys) {
    Load();
    EXPECT_EQ(BGM_Kind, 0);
    EXPECT_EQ(BGM_Loop, 0);
    EXPECT_EQ(BGM_File, "");
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
        SetUp();
        Store(text, text, kSong);
        Load();
        EXPECT_EQ(BGM_Loop, expected) << '"' << text << '"';
        EXPECT_EQ(BGM_Kind, expected) << '"' << text << '"';
    }
}

TEST_F(SettingsTest, SoundFileKindNeedsAFileThatOpens) {
    Store(" 2", " 0", "");
    Load();
    EXPECT_EQ(BGM_Kind, 0);
    EXPECT_EQ(BGM_File, "");

    SetUp();
    Store(" 2", " 0", kSong);
    Load();
    EXPECT_EQ(BGM_Kind, 0);
    EXPECT_EQ(BGM_File, "");

    SetUp();
    fake.readableFiles.insert(kSong);
    Load();
    EXPECT_EQ(BGM_Kind, 2);
    EXPECT_EQ(BGM_File, kSong);
}

TEST_F(SettingsTest, StalePathIsClearedUnderTheCdButTheCdStays) {
    Store(" 1", " 3", kSong);
    Load();
    EXPECT_EQ(BGM_Kind, 1);
    EXPECT_EQ(BGM_Loop, 3);
    EXPECT_EQ(BGM_File, "");
    EXPECT_EQ(fake.calls.back(), "OpenForReading(\"" + kSong + "\")");
}

TEST_F(SettingsTest, TrailingSeparatorIsIgnoredForTheTestButKept) {
    fake.readableFiles.insert(kSong);
    Store(" 2", "", kSong + "\\");
    Load();
    EXPECT_EQ(BGM_Kind, 2);
    EXPECT_EQ(BGM_File, kSong + "\\");
    EXPECT_EQ(fake.calls.back(), "OpenForReading(\"" + kSong + "\")");
}

TEST_F(SettingsTest, LongValuesAreCutTo255Bytes) {
    std::string longPath = "C:\\" + std::string(300, 'a');
    Store(" 1", "", longPath);
    fake.readableFiles.insert(longPath.substr(0, 255));
    Load();
    EXPECT_EQ(BGM_File, longPath.substr(0, 255));
}

TEST_F(SettingsTest, FilePathJoinsWithoutLookingAtTheSeparator) {
    fake.programFolder = "C:\\";
    EXPECT_EQ(Settings_FilePath(fake), "C:\\\\ルモラ.ini");
    fake.programFolder = "D:\\ゲーム\\Lumora";
    EXPECT_EQ(Settings_FilePath(fake), "D:\\ゲーム\\Lumora\\ルモラ.ini");
}

TEST_F(SettingsTest, WritesKeepThePlatformResultAndReadBack) {
    Ini_Value = Sign_Column(2);
    Ini_Write(fake, kSettingsSection, kKeyKind, Ini_Value, kIni);
    EXPECT_EQ(Last_Result, 1);
    Ini_Write(fake, kSettingsSection, kKeyLoop, Sign_Column(-3), kIni);
    Ini_Write(fake, kSettingsSection, kKeyFile, kSong, kIni);
    fake.readableFiles.insert(kSong);
    Load();
    EXPECT_EQ(BGM_Kind, 2);
    EXPECT_EQ(BGM_Loop, -3);
    EXPECT_EQ(BGM_File, kSong);

    fake.writeResult = 0;
    Ini_Write(fake, kSettingsSection, kKeyKind, " 0", kIni);
    EXPECT_EQ(Last_Result, 0);
}

TEST_F(SettingsTest, NamesLongerThan127CharactersAreCut) {
    Ini_Write(fake, std::string(200, 's'), std::string(130, 'k') + "区", "v", kIni);
    EXPECT_NE(fake.Find(kIni, std::string(127, 's'), std::string(127, 'k')), nullptr);
}

TEST_F(SettingsTest, FileExistsLooksAtTheCopyWithoutTheLastSeparator) {
    fake.readableFiles.insert("C:\\a.wav");
    EXPECT_TRUE(File_Exists(fake, "C:\\a.wav"));
    EXPECT_TRUE(File_Exists(fake, "C:\\a.wav\\"));
    EXPECT_FALSE(File_Exists(fake, "C:\\a.wav\\\\"));
    EXPECT_FALSE(File_Exists(fake, ""));
    EXPECT_FALSE(File_Exists(fake, "\\"));
}

} // namespace
} // namespace lumora
