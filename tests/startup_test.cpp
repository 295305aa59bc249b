#include "startup/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>

#include "tests/support/fake_platform.h"
#include "startup/screen_saver.h"

namespace lumora {
namespace {

const std::string kFindDisplay = "FindWindow(\"Lumora_Main\")";
const std::string kFindDialog = "FindWindow(\"ルモラの設定\")";
const std::string kClaim = "ClaimSingleInstance";

class StartupTest : public ::testing::Test {
protected:
    // Starts with these arguments; what start-up opens goes to the log last.
    Launch Run(const std::string& arguments) {
        fake.commandLine = "\"C:\\Lumora\\Lumora.scr\"" + (arguments.empty() ? "" : " " + arguments);
        fake.calls.clear();
        const Launch launch = Start(fake.Seams());
        switch (launch.window) {
        case Launch::Window::Nothing: break;
        case Launch::Window::Preview: fake.Log("OpenPreview(" + std::to_string(launch.pane) + ")"); break;
        case Launch::Window::Saver:
            fake.Log(launch.rules.systemTakesPart ? "OpenDisplay(saver)" : "OpenDisplay(no switch)");
            break;
        case Launch::Window::SettingsDialog: fake.Log("ShowDialog"); break;
        }
        return launch;
    }
    bool Opens(const std::string& arguments) { return Run(arguments).window != Launch::Window::Nothing; }

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

TEST_F(StartupTest, RunModeHidesTheCursorAndSetsTheFlagForTheSaverAndNoSwitchLeavesThemAlone) {
    for (const char* arguments : {"/s", "/S", "-s", "xs", "/s:1234", "/s junk", ""}) {
        fake.cursorCount = 0;
        fake.runningFlag.reset();
        const Launch launch = Run(arguments);
        const bool saver = *arguments != '\0';
        EXPECT_EQ(launch.window, Launch::Window::Saver) << arguments;
        EXPECT_EQ(launch.rules.mouseMoveEnds && launch.rules.systemTakesPart, saver) << arguments;
        EXPECT_TRUE(ReadSettings()) << arguments;
        EXPECT_EQ(fake.cursorCount, saver ? -1 : 0) << arguments;
        EXPECT_EQ(fake.runningFlag, saver ? std::optional<std::uint32_t>(0xFFFFFFFFu) : std::nullopt) << arguments;
    }
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
    const std::tuple<platform::VersionAnswer, const char*, bool> cases[] = {
        {{1, 2}, "/a 1234", false}, // NT: Windows asks for the password itself
        {{1, 1}, "/a 1234", true},  // Windows 9x
        {{1, 1}, "/A:1234", true},
        {{0, 2}, "/a 1234", true},  // a failed query: not NT
        {{2, 2}, "/a 1234", true},  // only exactly 1 counts
        {{1, 1}, "/a abc", false},  // no number, no owner
        {{1, 1}, "/a", false},
        {{1, 1}, "/a 99999999999", false},
    };
    for (const auto& [version, arguments, changes] : cases) {
        fake.version = version;
        EXPECT_FALSE(Opens(arguments)) << arguments;
        const bool changed = std::count(fake.calls.begin(), fake.calls.end(),
                                        "PwdChangePassword(\"SCRSAVE\", 1234, 0, 0)") == 1;
        EXPECT_EQ(changed, changes) << arguments << " result " << version.result;
    }
}

TEST_F(StartupTest, TheRunningFlagIsTheNegationWidenedWithItsSign) {
    MarkScreenSaverRunning(fake, true);
    EXPECT_EQ(fake.runningFlag, 0xFFFFFFFFu);
    MarkScreenSaverRunning(fake, false);
    EXPECT_EQ(fake.runningFlag, 0u);
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
