#include "startup/hack_options.h"

#include <gtest/gtest.h>

#include "settings/ini_text.h"

namespace lumora {
namespace {

TEST(HackOptionsTest, OptionsGiveTargetAndMusicOrOneComplaintEach) {
    struct Case {
        std::vector<std::string> arguments;
        std::string daemonWindow;
        HackTarget target;
        unsigned long window;
        Settings settings; // over stored settings of CD, track 5, "/m/a.mp3"
        std::string complaint; // a part of the one complaint, "" for none
    };
    const Settings stored{MusicKind::AudioCd, 5, "/m/a.mp3"};
    const Case cases[] = {
        {{}, "", HackTarget::Screens, 0, stored, ""},
        {{"-root"}, "", HackTarget::Root, 0, stored, ""},
        {{"--root"}, "0x2a00007", HackTarget::GivenWindow, 0x2a00007, stored, ""},
        {{}, "44040199", HackTarget::GivenWindow, 44040199, stored, ""},
        {{"-window"}, "0x2a00007", HackTarget::OwnWindow, 0, stored, ""},
        {{"-window-id", "0x1E00003"}, "", HackTarget::GivenWindow, 0x1e00003, stored, ""},
        {{"-music", "file", "-file", "/m/b.wav", "--track", "0"}, "", HackTarget::Screens, 0,
         {MusicKind::SoundFile, 0, "/m/b.wav"}, ""},
        {{"-music", "none", "-track", "99"}, "", HackTarget::Screens, 0, {MusicKind::NoMusic, 99, ""}, ""},
        {{"-music", "cd"}, "", HackTarget::Screens, 0, {MusicKind::AudioCd, 0, ""}, ""}, // not lumora.ini's track
        {{"-track", "7"}, "", HackTarget::Screens, 0, {MusicKind::AudioCd, 7, "/m/a.mp3"}, ""},
        {{"-music", "loud"}, "", HackTarget::Screens, 0, stored, "-music takes none, cd or file, not \"loud\""},
        {{"-track", "abc"}, "", HackTarget::Screens, 0, stored, "not \"abc\""},
        {{"-track", "999"}, "", HackTarget::Screens, 0, stored, "from 1 to 99 (0 for none), not \"999\""},
        {{"-track", "-1"}, "", HackTarget::Screens, 0, stored, "not \"-1\""},
        {{"-root", "-track"}, "", HackTarget::Root, 0, stored, "-track needs a track number"},
        {{"-window-id", "0"}, "", HackTarget::Screens, 0, stored, "-window-id \"0\" is no X window id"},
        {{"-window-id", "0x12zz"}, "", HackTarget::Screens, 0, stored, "is no X window id"},
        {{"-root"}, "junk", HackTarget::Root, 0, stored, "$XSCREENSAVER_WINDOW \"junk\" is no X window id"},
        {{"-fps", "-no-fps"}, "", HackTarget::Screens, 0, stored, ""},
        {{"song.mp3"}, "", HackTarget::Screens, 0, stored, "unknown option \"song.mp3\""},
        {{"-bogus", "3", "-root"}, "", HackTarget::Root, 0, stored, "unknown option \"-bogus 3\" ignored"},
        {{"-install", "-visual", "default", "-mono", "-pair", "-no-fps", "--geometry", "800x600+0+0", "-noinstall"},
         "", HackTarget::Screens, 0, stored, ""},
    };
    for (const Case& c : cases) {
        std::string said;
        for (const std::string& argument : c.arguments) said += argument + " ";
        std::vector<std::string> complaints;
        const HackOptions options = ParseHackOptions(c.arguments, c.daemonWindow, complaints);
        EXPECT_EQ(options.target, c.target) << said;
        EXPECT_EQ(options.window, c.window) << said;
        EXPECT_EQ(WithOptions(stored, options), c.settings) << said;
        if (c.complaint.empty()) {
            EXPECT_TRUE(complaints.empty()) << said;
        } else {
            ASSERT_EQ(complaints.size(), 1u) << said;
            EXPECT_NE(complaints[0].find(c.complaint), std::string::npos) << said << "-> " << complaints[0];
        }
    }
}

TEST(HackOptionsTest, HelpAndDisplayAreTakenWithoutComplaint) {
    std::vector<std::string> complaints;
    EXPECT_TRUE(ParseHackOptions({"--help"}, "", complaints).help);
    EXPECT_EQ(ParseHackOptions({"-display", ":5.0"}, "", complaints).display, ":5.0");
    EXPECT_EQ(ParseHackOptions({"-geometry", "640x480+10+20"}, "", complaints).geometry, "640x480+10+20");
    EXPECT_TRUE(ParseHackOptions({"--fps"}, "", complaints).fps);
    EXPECT_FALSE(ParseHackOptions({"-fps", "-no-fps"}, "", complaints).fps);
    EXPECT_TRUE(complaints.empty());
}

TEST(HackOptionsTest, GeometryIsReadAsXReadsIt) {
    struct Case {
        const char* text;
        std::optional<WindowGeometry> read; // width, height, placed, x, y, fromRight, fromBottom
    } cases[] = {
        {"640x480+10+20", WindowGeometry{640, 480, true, 10, 20, false, false}},
        {"=320x240-5-0", WindowGeometry{320, 240, true, 5, 0, true, true}},
        {"800", WindowGeometry{800, 0, false, 0, 0, false, false}},
        {"+7+8", WindowGeometry{0, 0, true, 7, 8, false, false}},
        {"", std::nullopt}, {"x", std::nullopt}, {"640x", std::nullopt}, {"640x480+10", std::nullopt},
        {"640x480 ", std::nullopt}, {"99999999x1", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_TRUE(ParseGeometry(c.text) == c.read) << c.text;
}

TEST(HackOptionsTest, SettingsTextReadsAsWindowsReadsItAndNamesWhatIsWrong) {
    struct Case {
        std::string text;
        std::optional<std::string> value; // of BGMﾌｧｲﾙ in [Section]
        std::string fault;                // a part of the fault, "" for none
        std::size_t strayLine = 0;
    };
    const Case cases[] = {
        {"[Section]\nBGMﾌｧｲﾙ=/m/a.mp3\n", "/m/a.mp3", ""},
        {"\xEF\xBB\xBF[ section ]\r\n  bgmﾌｧｲﾙ = \"/m/a b.mp3\" \r\n", "/m/a b.mp3", ""},
        {"; note\n[Other]\nBGMﾌｧｲﾙ=x\n[Section]\nBGMﾌｧｲﾙ=\n", "", ""},
        {"[Section]\nBGM区分=1\n[Section]\nBGMﾌｧｲﾙ=late\n", std::nullopt, ""},
        {"[Section]\nBGMﾌｧｲﾙ=first\nBGMﾌｧｲﾙ=second", "first", ""},
        {"BGMﾌｧｲﾙ=/outside/any/section\n", std::nullopt, ""},
        {"[Section]\nthis is junk\nBGMﾌｧｲﾙ=/m/a.mp3\n", "/m/a.mp3", "", 2},
        {"[Section]\nBGM\x82\xcc=1\n", std::nullopt, "code page 932"},
        {std::string("\xFF\xFE[\0S\0", 6), std::nullopt, "NUL bytes"},
        {"[Section]\nBGMﾌｧｲﾙ=\xED\xA0\x80\n", "\xED\xA0\x80", "no UTF-8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IniValue(c.text, kSettingsSection, kKeyFile), c.value) << c.text;
        const std::string fault = IniTextFault(c.text);
        EXPECT_EQ(fault.empty(), c.fault.empty()) << c.text << " -> " << fault;
        EXPECT_NE(fault.find(c.fault), std::string::npos) << c.text << " -> " << fault;
        if (fault.empty()) {
            EXPECT_EQ(IniStrayLine(c.text), c.strayLine) << c.text;
        }
    }
}

} // namespace
} // namespace lumora
