#include "startup/startup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/fake_platform.h"
#include "platform/screen_saver.h"

namespace lumora {
namespace {

const std::string kFindDisplay = "FindWindow(\"Lumora_Main\")";
const std::string kFindDialog = "FindWindow(\"ルモラの設定\")";
const std::string kHideCursor = "ShowCursor(FALSE)";
const std::string kClaim = "ClaimSingleInstance";
const std::string kSetRunning = "SystemParametersInfo(97, 4294967295, NULL, 0)";

class StartupTest : public ::testing::Test {
protected:
    // Starts with these arguments; what start-up opens goes to the log last.
    Launch Run(const std::string& arguments) {
        fake.commandLine = "\"C:\\Lumora\\Lumora.scr\"" + (arguments.empty() ? "" : " " + arguments);
        fake.calls.clear();
        const Launch launch = Start(fake.Seams());
        switch (launch.window) {
        case Launch::Window::None: break;
        case Launch::Window::Preview: fake.Log("OpenPreview(" + std::to_string(launch.pane) + ")"); break;
        case Launch::Window::Saver:
            fake.Log(launch.mode == Mode::Saver ? "OpenDisplay(saver)" : "OpenDisplay(no switch)");
            break;
        case Launch::Window::SettingsDialog: fake.Log("ShowDialog"); break;
        }
        return launch;
    }
    bool Opens(const std::string& arguments) { return Run(arguments).window != Launch::Window::None; }

    // The calls after the two look-ups and the settings reads.
    std::vector<std::string> CallsAfterSettings() const {
        auto last = std::find_if(fake.calls.rbegin(), fake.calls.rend(), [](const std::string& c) {
            return c.rfind("GetPrivateProfileString", 0) == 0 || c.rfind("OpenForReading", 0) == 0;
        });
        return {last.base(), fake.calls.end()};
    }

    bool ReadSettings() const {
        return std::any_of(fake.calls.begin(), fake.calls.end(), [](const std::string& c) {
            return c.rfind("GetPrivateProfileString", 0) == 0;
        });
    }

    fake::FakePlatform fake;
};

TEST_F(StartupTest, ARunningDisplayOrDialogEndsEveryModeAfterBothLookUps) {
    for (const char* title : {kDisplayTitle, kDialogTitle}) {
        for (const char* arguments : {"/s", "/p 1234", "/c", "/a 1234", "", "/x"}) {
            fake.windowTitles = {title};
            EXPECT_FALSE(Opens(arguments)) << arguments;
            std::vector<std::string> expected = {kFindDisplay, kFindDialog};
            const std::string mode = arguments;
            if (mode == "/s" || mode == "/c" || mode.empty()) expected.insert(expected.begin(), kClaim);
            EXPECT_EQ(fake.calls, expected) << title << ' ' << arguments;
        }
    }
}

TEST_F(StartupTest, OnlyTheDisplayAndTheDialogClaimTheOneInstanceAndALoserEndsAtOnce) {
    fake.instanceFree = false;
    for (const char* arguments : {"/s", "/c", ""}) {
        EXPECT_FALSE(Opens(arguments)) << arguments;
        EXPECT_EQ(fake.calls, std::vector<std::string>{kClaim}) << arguments;
    }
    // The control panel keeps its preview running while it starts the others.
    EXPECT_TRUE(Opens("/p 1234"));
    EXPECT_EQ(fake.calls.back(), "OpenPreview(1234)");
    Run("/a 1234");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), kClaim), 0);
}

TEST_F(StartupTest, RunModeHidesTheCursorSetsTheFlagThenLoadsTheDisplay) {
    for (const char* arguments : {"/s", "/S", "-s", "xs", "/s:1234", "/s junk"}) {
        EXPECT_TRUE(Opens(arguments)) << arguments;
        ASSERT_GE(fake.calls.size(), 3u);
        EXPECT_EQ(fake.calls[0], kClaim);
        EXPECT_EQ(fake.calls[1], kFindDisplay);
        EXPECT_EQ(fake.calls[2], kFindDialog);
        const std::vector<std::string> expected = {kHideCursor, kSetRunning, "OpenDisplay(saver)"};
        EXPECT_EQ(CallsAfterSettings(), expected) << arguments;
    }
}

TEST_F(StartupTest, EmptyArgumentsLoadTheDisplayLeavingCursorAndFlagAlone) {
    EXPECT_TRUE(Opens(""));
    EXPECT_TRUE(ReadSettings());
    EXPECT_EQ(CallsAfterSettings(), std::vector<std::string>{"OpenDisplay(no switch)"});
}

TEST_F(StartupTest, PreviewAttachesToTheHandleWithoutReadingSettings) {
    const std::pair<const char*, const char*> cases[] = {
        {"/p 1234", "1234"}, {"/P 1234", "1234"}, {"/p:1234", "1234"}, {"/p", "0"},
        {"/p abc", "0"},     {"/p:-5", "-5"},     {"/p 99999999999", "0"},
    };
    for (const auto& [arguments, pane] : cases) {
        EXPECT_TRUE(Opens(arguments)) << arguments;
        const std::vector<std::string> expected = {kFindDisplay, kFindDialog,
                                                   std::string("OpenPreview(") + pane + ")"};
        EXPECT_EQ(fake.calls, expected) << arguments;
    }
}

TEST_F(StartupTest, ConfigureShowsTheDialogAfterTheSettings) {
    for (const char* arguments : {"/c", "/C", "/c:1234"}) {
        EXPECT_TRUE(Opens(arguments)) << arguments;
        EXPECT_TRUE(ReadSettings());
        EXPECT_EQ(CallsAfterSettings(), std::vector<std::string>{"ShowDialog"}) << arguments;
    }
}

TEST_F(StartupTest, UnknownSwitchesReadTheSettingsAndEnd) {
    for (const std::string& arguments : std::vector<std::string>{"/x", "x", "/", "/ｓ", "//", std::string(10000, 'q')}) {
        EXPECT_FALSE(Opens(arguments)) << arguments;
        EXPECT_TRUE(ReadSettings());
        EXPECT_TRUE(CallsAfterSettings().empty()) << arguments;
    }
}

TEST_F(StartupTest, PasswordChangeOnlyOffTheNtFamilyAndOnlyWithANumber) {
    const std::string kChange = "PwdChangePassword(\"SCRSAVE\", 1234, 0, 0)";
    struct Case {
        platform::VersionAnswer version;
        const char* arguments;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {{1, 2}, "/a 1234", {"GetVersionEx(148)"}},                 // NT: nothing to change
        {{1, 1}, "/a 1234", {"GetVersionEx(148)", kChange}},        // Windows 9x
        {{1, 1}, "/A:1234", {"GetVersionEx(148)", kChange}},
        {{0, 2}, "/a 1234", {"GetVersionEx(148)", kChange}},        // failed query: not NT
        {{2, 2}, "/a 1234", {"GetVersionEx(148)", kChange}},        // only exactly 1 counts
        {{1, 1}, "/a abc", {"GetVersionEx(148)"}},                  // no number, no owner
        {{1, 1}, "/a", {"GetVersionEx(148)"}},
        {{1, 1}, "/a 99999999999", {"GetVersionEx(148)"}},
    };
    for (const Case& c : cases) {
        fake.version = c.version;
        EXPECT_FALSE(Opens(c.arguments)) << c.arguments;
        EXPECT_EQ(CallsAfterSettings(), c.after) << c.arguments << " result " << c.version.result;
    }
}

TEST_F(StartupTest, RunningFlagIsTheNegationWidenedWithItsSign) {
    MarkScreenSaverRunning(fake, true);
    MarkScreenSaverRunning(fake, false);
    const std::vector<std::string> expected = {kSetRunning, "SystemParametersInfo(97, 0, NULL, 0)"};
    EXPECT_EQ(fake.calls, expected);
}

TEST_F(StartupTest, SettingsAreLoadedBeforeTheModeRuns) {
    const std::string ini = "C:\\Lumora\\ルモラ.ini";
    fake.Put(ini, kSettingsSection, kKeyKind, " 1");
    fake.Put(ini, kSettingsSection, kKeyLoop, " 4");
    for (const char* arguments : {"/c", "/s"}) {
        const Settings settings = Run(arguments).settings;
        EXPECT_EQ(settings.music, MusicKind::AudioCd) << arguments;
        EXPECT_EQ(settings.repeatTrack, 4) << arguments;
    }
}

} // namespace
} // namespace lumora
