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
    StartupTest() {
        forms.openPreview = [this](platform::WindowHandle pane) {
            fake.Log("OpenPreview(" + std::to_string(pane) + ")");
        };
        forms.openDisplay = [this](const Settings&, Mode mode) {
            fake.Log(mode == Mode::Saver ? "OpenDisplay(saver)" : "OpenDisplay(no switch)");
        };
        forms.showDialog = [this](const Settings&) { fake.Log("ShowDialog"); };
    }

    AfterStart Run(const std::string& arguments) {
        fake.commandLine = "\"C:\\Lumora\\Lumora.scr\"" + (arguments.empty() ? "" : " " + arguments);
        fake.calls.clear();
        return Start(fake.Seams(), forms);
    }

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
    Forms forms;
};

TEST_F(StartupTest, ARunningDisplayOrDialogEndsEveryModeAfterBothLookUps) {
    for (const char* title : {kDisplayTitle, kDialogTitle}) {
        for (const char* arguments : {"/s", "/p 1234", "/c", "/a 1234", "", "/x"}) {
            fake.windowTitles = {title};
            EXPECT_EQ(Run(arguments), AfterStart::EndProcess) << arguments;
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
        EXPECT_EQ(Run(arguments), AfterStart::EndProcess) << arguments;
        EXPECT_EQ(fake.calls, std::vector<std::string>{kClaim}) << arguments;
    }
    // The control panel keeps its preview running while it starts the others.
    EXPECT_EQ(Run("/p 1234"), AfterStart::RunMessageLoop);
    EXPECT_EQ(fake.calls.back(), "OpenPreview(1234)");
    Run("/a 1234");
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), kClaim), 0);
}

TEST_F(StartupTest, RunModeHidesTheCursorSetsTheFlagThenLoadsTheDisplay) {
    for (const char* arguments : {"/s", "/S", "-s", "xs", "/s:1234", "/s junk"}) {
        EXPECT_EQ(Run(arguments), AfterStart::RunMessageLoop) << arguments;
        ASSERT_GE(fake.calls.size(), 3u);
        EXPECT_EQ(fake.calls[0], kClaim);
        EXPECT_EQ(fake.calls[1], kFindDisplay);
        EXPECT_EQ(fake.calls[2], kFindDialog);
        const std::vector<std::string> expected = {kHideCursor, kSetRunning, "OpenDisplay(saver)"};
        EXPECT_EQ(CallsAfterSettings(), expected) << arguments;
    }
}

TEST_F(StartupTest, EmptyArgumentsLoadTheDisplayLeavingCursorAndFlagAlone) {
    EXPECT_EQ(Run(""), AfterStart::RunMessageLoop);
    EXPECT_TRUE(ReadSettings());
    EXPECT_EQ(CallsAfterSettings(), std::vector<std::string>{"OpenDisplay(no switch)"});
}

TEST_F(StartupTest, PreviewAttachesToTheHandleWithoutReadingSettings) {
    const std::pair<const char*, const char*> cases[] = {
        {"/p 1234", "1234"}, {"/P 1234", "1234"}, {"/p:1234", "1234"}, {"/p", "0"},
        {"/p abc", "0"},     {"/p:-5", "-5"},     {"/p 99999999999", "0"},
    };
    for (const auto& [arguments, pane] : cases) {
        EXPECT_EQ(Run(arguments), AfterStart::RunMessageLoop) << arguments;
        const std::vector<std::string> expected = {kFindDisplay, kFindDialog,
                                                   std::string("OpenPreview(") + pane + ")"};
        EXPECT_EQ(fake.calls, expected) << arguments;
    }
}

TEST_F(StartupTest, ConfigureShowsTheDialogAfterTheSettingsAndThenEnds) {
    for (const char* arguments : {"/c", "/C", "/c:1234"}) {
        EXPECT_EQ(Run(arguments), AfterStart::EndProcess) << arguments;
        EXPECT_TRUE(ReadSettings());
        EXPECT_EQ(CallsAfterSettings(), std::vector<std::string>{"ShowDialog"}) << arguments;
    }
}

TEST_F(StartupTest, UnknownSwitchesReadTheSettingsAndEnd) {
    for (const std::string& arguments : std::vector<std::string>{"/x", "x", "/", "/ｓ", "//", std::string(10000, 'q')}) {
        EXPECT_EQ(Run(arguments), AfterStart::EndProcess) << arguments;
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
        EXPECT_EQ(Run(c.arguments), AfterStart::EndProcess) << c.arguments;
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
    int shown = 0;
    forms.showDialog = [&](const Settings& settings) {
        EXPECT_EQ(settings.music, MusicKind::AudioCd);
        EXPECT_EQ(settings.repeatTrack, 4);
        ++shown;
    };
    forms.openDisplay = [&](const Settings& settings, Mode) {
        EXPECT_EQ(settings.music, MusicKind::AudioCd);
        ++shown;
    };
    Run("/c");
    Run("/s");
    EXPECT_EQ(shown, 2);
}

} // namespace
} // namespace lumora
