#include "settings/settings.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/support/fake_platform.h"
#include "text/numbers.h"

namespace lumora {
namespace {

const std::string kIni = "C:\\Lumora\\ルモラ.ini";
const SettingsFile kBeside{kIni, platform::ProfileText::Ansi};
const std::string kUserFolder = "C:\\Users\\u\\AppData\\Roaming\\Lumora";
const std::string kUserIni = kUserFolder + "\\ルモラ.ini";
const std::string kVirtualIni = "C:\\Users\\u\\AppData\\Local\\VirtualStore\\Lumora\\ルモラ.ini";
const std::string kSong = "C:\\Music\\song.mp3";

class SettingsTest : public ::testing::Test {
protected:
    void Store(const std::string& kind, const std::string& loop, const std::string& file) {
        fake.Put(kIni, kSettingsSection, kKeyKind, kind);
        fake.Put(kIni, kSettingsSection, kKeyLoop, loop);
        fake.Put(kIni, kSettingsSection, kKeyFile, file);
    }

    Settings Load() { return LoadSettings(fake, fake, kBeside); }

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
    EXPECT_TRUE(SaveSettings(fake.Seams(), chosen).saved);
    EXPECT_EQ(*fake.Find(kIni, kSettingsSection, kKeyKind), " 2");
    EXPECT_EQ(*fake.Find(kIni, kSettingsSection, kKeyLoop), "-3");
    fake.readableFiles.insert(kSong);
    EXPECT_EQ(Load(), chosen);

    fake.writeResult = 0;
    EXPECT_EQ(WriteProfileValue(fake, kSettingsSection, kKeyKind, " 0", kBeside), 0);
    EXPECT_FALSE(SaveSettings(fake.Seams(), Settings{}).saved);
}

TEST_F(SettingsTest, NamesLongerThan127CharactersAreCut) {
    WriteProfileValue(fake, std::string(200, 's'), std::string(130, 'k') + "区", "v", kBeside);
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

// Where the settings are read from and written to -------------------------

class PlacementTest : public ::testing::Test {
protected:
    void Store(const std::string& path, const std::string& kind) {
        fake.Put(path, kSettingsSection, kKeyKind, kind);
    }
    MusicKind Loaded() { return LoadSettings(fake.Seams()).music; }
    // The files that exist, with the kind each holds.
    std::map<std::string, std::string> Kinds() const {
        std::map<std::string, std::string> kinds;
        for (const auto& entry : fake.profiles) {
            const std::string* kind = fake.Find(entry.first, kSettingsSection, kKeyKind);
            kinds[entry.first] = kind == nullptr ? "" : *kind;
        }
        return kinds;
    }

    fake::FakePlatform fake;
    const Settings cd{MusicKind::AudioCd, 4, ""};
};

TEST_F(PlacementTest, TheUsersFileComesFirstThenTheProgramsThenTheVirtualisedCopy) {
    EXPECT_EQ(Loaded(), MusicKind::NoMusic);
    Store(kVirtualIni, " 1");
    EXPECT_EQ(Loaded(), MusicKind::AudioCd); // saved by an old 32-bit build, virtualised
    Store(kIni, " 0");
    EXPECT_EQ(Loaded(), MusicKind::NoMusic);
    Store(kUserIni, " 1");
    EXPECT_EQ(Loaded(), MusicKind::AudioCd);
    EXPECT_EQ(FileToLoad(FindSettingsPlaces(fake), fake).text, platform::ProfileText::Unicode);

    // A program on a network share has no virtualised copy; a system without a
    // roaming folder has no user's file.
    fake.programFolder = "\\\\server\\share";
    fake.roamingAppData.clear();
    const SettingsPlaces places = FindSettingsPlaces(fake);
    EXPECT_TRUE(places.virtualStore.path.empty());
    EXPECT_TRUE(places.perUser.path.empty());
    EXPECT_EQ(places.besideProgram.path, "\\\\server\\share\\ルモラ.ini");
}

TEST_F(PlacementTest, AWritableProgramFolderKeepsTheFileBesideItAndMakesNoOther) {
    const SaveOutcome outcome = SaveSettings(fake.Seams(), cd);
    EXPECT_TRUE(outcome.saved);
    EXPECT_EQ(outcome.path, kIni);
    EXPECT_EQ(Kinds(), (std::map<std::string, std::string>{{kIni, " 1"}}));
    EXPECT_EQ(*fake.Find(kIni, kSettingsSection, kKeyLoop), " 4");
    EXPECT_EQ(fake.folders.count(kUserFolder), 0u);
}

TEST_F(PlacementTest, AnExistingFileIsCopiedSoItsOtherContentStays) {
    fake.Put(kIni, "Other", "key", "kept");
    Store(kIni, " 2");
    EXPECT_TRUE(SaveSettings(fake.Seams(), cd).saved);
    EXPECT_EQ(*fake.Find(kIni, "Other", "key"), "kept");
    EXPECT_EQ(*fake.Find(kIni, kSettingsSection, kKeyKind), " 1");
    EXPECT_FALSE(fake.Has(kIni + ".new"));
}

TEST_F(PlacementTest, ARefusingProgramFolderSendsTheSettingsToTheUsersFile) {
    Store(kIni, " 2");
    fake.readOnly = {kIni};
    const SaveOutcome outcome = SaveSettings(fake.Seams(), cd);
    EXPECT_TRUE(outcome.saved);
    EXPECT_EQ(outcome.path, kUserIni);
    EXPECT_EQ(fake.unicodeFiles, std::set<std::string>{kUserIni});
    EXPECT_EQ(Kinds(), (std::map<std::string, std::string>{{kIni, " 2"}, {kUserIni, " 1"}}));
    EXPECT_EQ(Loaded(), MusicKind::AudioCd); // and the next start reads it

    // From now on the user's file is the one written, even where the program's could be.
    fake.readOnly.clear();
    EXPECT_EQ(SaveSettings(fake.Seams(), Settings{}).path, kUserIni);
    EXPECT_EQ(*fake.Find(kIni, kSettingsSection, kKeyKind), " 2");
}

TEST_F(PlacementTest, APathTheCodePageCannotHoldGoesToTheUsersFileWhole) {
    // The code page spells what it cannot hold as something else, and says nothing.
    fake.ansiSpelling = [](const std::string& text) {
        std::string spelled = text;
        for (std::size_t at; (at = spelled.find("é")) != std::string::npos;) spelled.replace(at, 2, "e");
        return spelled;
    };
    const std::string song = "C:\\Music\\Beyoncé.wav";
    fake.readableFiles.insert(song);
    const SaveOutcome outcome = SaveSettings(fake.Seams(), {MusicKind::SoundFile, 0, song});
    EXPECT_EQ(outcome.path, kUserIni);
    EXPECT_FALSE(fake.Has(kIni)); // nothing mangled was left beside the program
    EXPECT_EQ(LoadSettings(fake.Seams()).musicFile, song);

    // And one longer than the file beside the program can give back.
    fake.profiles.clear();
    const std::string longSong = "C:\\" + std::string(300, 'a') + ".wav";
    fake.readableFiles.insert(longSong);
    EXPECT_EQ(SaveSettings(fake.Seams(), {MusicKind::SoundFile, 0, longSong}).path, kUserIni);
    EXPECT_EQ(LoadSettings(fake.Seams()).musicFile, longSong);
}

TEST_F(PlacementTest, ASaveThatFailsEverywhereLeavesEveryFileAsItWas) {
    Store(kIni, " 2");
    fake.Put(kIni, kSettingsSection, kKeyFile, "C:\\old.wav");
    fake.readOnly = {"C:\\Lumora", "C:\\Users\\u\\AppData\\Roaming"};
    const auto before = fake.profiles;
    const SaveOutcome outcome = SaveSettings(fake.Seams(), cd);
    EXPECT_FALSE(outcome.saved);
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(outcome.failures[0].folder, "C:\\Lumora");
    EXPECT_EQ(outcome.failures[0].error, 5u);
    EXPECT_EQ(outcome.failures[1].folder, kUserFolder);
    EXPECT_EQ(outcome.failures[1].error, 5u);
    EXPECT_EQ(fake.profiles, before);
}

TEST_F(PlacementTest, AFullDiskIsCaughtByReadingBackOrFlushingAndTheOldFileStays) {
    Store(kIni, " 2");
    fake.Put(kIni, kSettingsSection, kKeyLoop, " 7");
    fake.readOnly = {"C:\\Users\\u\\AppData\\Roaming"};
    const auto before = fake.profiles;
    // Full before the writes (the platform says nothing was wrong), or only
    // when the system hands its cache to the disk.
    for (auto [full, flushFails, error] : {std::tuple{true, false, 0u}, {false, true, 112u}}) {
        fake.diskFull = full;
        fake.flushFails = flushFails;
        const SaveOutcome outcome = SaveSettings(fake.Seams(), cd);
        EXPECT_FALSE(outcome.saved);
        ASSERT_FALSE(outcome.failures.empty());
        EXPECT_EQ(outcome.failures[0].error, error);
        EXPECT_EQ(fake.profiles, before);
    }
}

} // namespace
} // namespace lumora
