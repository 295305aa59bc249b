#include "dialog/dialog.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "settings/numbers.h"
#include "settings/settings.h"

namespace lumora {
namespace {

std::string Rect(const ScreenRect& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom) + ")";
}

class RecordingDialog final : public DialogHost {
public:
    std::vector<std::string> calls;
    bool marks[3] = {};
    bool repeatEnabled = true;
    bool fileEnabled = true;
    std::string repeatText;
    std::vector<std::string> entries;
    std::string fileCaption;
    std::int32_t cursorResult = 1;
    std::int32_t cursorX = 300;
    std::int32_t cursorY = 200;
    OpenFileAnswer openAnswer;
    std::map<int, std::int32_t> rows[2]; // panel -> pixel row -> last colour
    int rowCalls[2] = {};

    DialogScreen Screen() override { return {1024 * 15.0, 768 * 15.0, 15, 15}; }
    void OuterSizeFor(int w, int h, double& width, double& height) override {
        width = (w + 6) * 15.0;
        height = (h + 25) * 15.0;
    }
    void SizeForm(double w, double h) override {
        calls.push_back("Size(" + std::to_string(static_cast<int>(w)) + "," + std::to_string(static_cast<int>(h)) + ")");
    }
    void MoveForm(std::int32_t l, std::int32_t t) override {
        calls.push_back("Move(" + std::to_string(l) + "," + std::to_string(t) + ")");
    }
    void SetMark(int index, bool on) override { marks[index] = on; }
    void EnableRepeat(bool enabled) override { repeatEnabled = enabled; }
    void EnableFileButton(bool enabled) override { fileEnabled = enabled; }
    void SetRepeatText(const std::string& text) override { repeatText = text; }
    std::string RepeatText() override { return repeatText; }
    void AddRepeatEntry(const std::string& text) override { entries.push_back(text); }
    void SetFileCaption(const std::string& text) override { fileCaption = text; }
    void GiveHandPointer(Control control) override {
        calls.push_back("Hand(" + std::to_string(static_cast<int>(control)) + ")");
    }
    std::int32_t GetCursorPos(std::int32_t& x, std::int32_t& y) override {
        calls.push_back("GetCursorPos");
        if (cursorResult != 0) {
            x = cursorX;
            y = cursorY;
        }
        return cursorResult;
    }
    ScreenRect WindowRect() override { return {278, 172, 745, 422}; }
    void DrawAnimatedRects(const ScreenRect& from, const ScreenRect& to) override {
        calls.push_back("Zoom" + Rect(from) + "->" + Rect(to));
    }
    void EnableTimer(bool enabled) override { calls.push_back(enabled ? "Timer1 on" : "Timer1 off"); }
    PanelSize InnerSize(Panel panel) override {
        return panel == Panel::Pic_C ? PanelSize{461 * 15.0, 225 * 15.0} : PanelSize{433, 149};
    }
    void DrawRow(Panel panel, double y, double, std::int32_t color) override {
        const int index = panel == Panel::Pic_C ? 0 : 1;
        rows[index][static_cast<int>(panel == Panel::Pic_C ? y / 15 : y)] = color;
        ++rowCalls[index];
    }
    void ClearDisplay() override { calls.push_back("Cls"); }
    std::int32_t PaintFrame(int frame) override {
        calls.push_back("Frame" + std::to_string(frame));
        return 1;
    }
    void RefreshDisplay() override { calls.push_back("Refresh"); }
    OpenFileAnswer OpenFile(const std::string& filter, const std::string& title) override {
        calls.push_back("OpenFile(" + filter + "|" + title + ")");
        return openAnswer;
    }
    void SetScreenPointer(bool hourglass) override { calls.push_back(hourglass ? "Hourglass" : "Default"); }
    void OpenDocument(const std::string& address) override { calls.push_back("Open " + address); }
    void Unload() override { calls.push_back("Unload"); }
};

class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        BGM_Kind = 0;
        BGM_Loop = 0;
        BGM_File.clear();
    }

    const std::string* Stored(const char* key) const {
        return fake.Find("C:\\Lumora\\ルモラ.ini", kSettingsSection, key);
    }

    fake::FakePlatform fake;
    platform::Platform seams = fake.Seams();
    RecordingDialog host;
    DialogForm dialog{seams, host};
};

TEST_F(DialogTest, LoadSizesPlacesShowsZoomsAndStartsTheAnimationInOrder) {
    BGM_Kind = 1;
    BGM_Loop = 12;
    BGM_File = "C:\\曲.mp3";
    dialog.Form_Load();
    const std::vector<std::string> expected = {
        "Size(7005,3750)", "Move(4177,2590)", "Hand(0)", "Hand(1)", "Hand(2)", "Hand(3)", "Hand(4)",
        "Hand(5)", "Hand(6)", "Hand(7)", "Hand(8)", "Hand(9)", "GetCursorPos",
        "Zoom(300,200,300,200)->(278,172,745,422)", "Timer1 on"};
    EXPECT_EQ(host.calls, expected);
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
    EXPECT_EQ(dialog.Frame_No, 0);
}

TEST_F(DialogTest, KindsThatAreNoOptionMarkAndEnableNothing) {
    for (int kind : {7, -3}) {
        BGM_Kind = static_cast<std::int16_t>(kind);
        dialog.Form_Load();
        EXPECT_FALSE(host.marks[0] || host.marks[1] || host.marks[2]);
        EXPECT_FALSE(host.repeatEnabled || host.fileEnabled);
        dialog.Settings_Save();
        EXPECT_EQ(*Stored(kKeyKind), Sign_Column(kind)); // written back unchanged
    }
}

TEST_F(DialogTest, WithoutThePointerTheZoomsUseTheCorner) {
    host.cursorResult = 0;
    dialog.Form_Load();
    EXPECT_EQ(dialog.Zoom_X, 0);
    EXPECT_EQ(Last_Result, 0);
    dialog.Form_Unload();
    EXPECT_EQ(host.calls.back(), "Zoom(278,172,745,422)->(0,0,0,0)");
}

TEST_F(DialogTest, SelectingMarksOneOptionEnablesItsControlAndSetsTheKind) {
    dialog.Form_Load();
    host.repeatText = "5";
    host.fileCaption = "C:\\a.wav";
    dialog.lbl_BGM_MouseDown(1);
    EXPECT_EQ(BGM_Kind, 1);
    EXPECT_TRUE(host.marks[1] && host.repeatEnabled && !host.fileEnabled);
    dialog.Img_BGM_MouseDown(2);
    EXPECT_EQ(BGM_Kind, 2);
    EXPECT_TRUE(host.marks[2] && !host.marks[1] && host.fileEnabled && !host.repeatEnabled);
    dialog.lbl_BGM_MouseDown(0);
    EXPECT_EQ(BGM_Kind, 0);
    EXPECT_TRUE(host.marks[0] && !host.fileEnabled && !host.repeatEnabled);
    EXPECT_EQ(host.repeatText, "5"); // selecting touches neither the box nor the file
    EXPECT_EQ(host.fileCaption, "C:\\a.wav");
}

TEST_F(DialogTest, HashPatternWritesNothingForZero) {
    EXPECT_EQ(Format_Hash(0), "");
    EXPECT_EQ(Format_Hash(7), "7");
    EXPECT_EQ(Format_Hash(30), "30");
    EXPECT_EQ(Format_Hash(-5), "-5");
    EXPECT_EQ(Format_Hash(123), "123");
}

TEST_F(DialogTest, TheRepeatTextIsSavedAsATrack) {
    const std::pair<const char*, const char*> cases[] = {
        {"7", " 7"},   {" 12 ", " 12"}, {"2.5", " 2"},   {"3.5", " 4"},     {"abc", " 0"},
        {"", " 0"},    {"45", " 45"},   {"-3", "-3"},    {"40000", " 0"},   {"-32768", "-32768"},
        {"1e9", " 0"}, {"32767.5", " 0"},
    };
    for (const auto& [typed, stored] : cases) {
        host.repeatText = typed;
        dialog.Settings_Save();
        EXPECT_EQ(*Stored(kKeyLoop), stored) << '"' << typed << '"';
    }
}

TEST_F(DialogTest, SavingWritesAllThreeKeysWhateverTheKind) {
    BGM_Kind = 1;
    BGM_File = "C:\\song.mp3";
    dialog.Form_Load();
    host.repeatText = "12";
    dialog.lbl_BGM_MouseDown(0);
    fake.calls.clear();
    dialog.Cmd_Set_Click();
    const std::string ini = "\"C:\\Lumora\\ルモラ.ini\")";
    const std::vector<std::string> expected = {
        "WritePrivateProfileString(\"Section\", \"BGM区分\", \" 0\", " + ini,
        "WritePrivateProfileString(\"Section\", \"BGMﾘﾋﾟｰﾄ\", \" 12\", " + ini,
        "WritePrivateProfileString(\"Section\", \"BGMﾌｧｲﾙ\", \"C:\\song.mp3\", " + ini};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(BGM_Loop, 12);
    EXPECT_EQ(host.calls.back(), "Unload");
}

TEST_F(DialogTest, CancelWritesNothing) {
    dialog.Form_Load();
    dialog.lbl_BGM_MouseDown(2);
    fake.calls.clear();
    dialog.Cmd_Can_Click();
    EXPECT_TRUE(fake.calls.empty());
    EXPECT_EQ(host.calls.back(), "Unload");
}

TEST_F(DialogTest, ChoosingAFileTakesThePathOnlyWhenAccepted) {
    dialog.Form_Load();
    BGM_File = "C:\\old.wav";
    host.fileCaption = BGM_File;
    host.openAnswer = {0, ""};
    dialog.Cmd_BGM_Click();
    EXPECT_EQ(host.calls.back(), std::string("OpenFile(BGMﾌｧｲﾙ (MP3 WAV)") + '\0' + "*.MP3;*.WAV" + '\0' +
                                     "|ﾌｧｲﾙを開く)");
    EXPECT_EQ(BGM_File, "C:\\old.wav");
    host.openAnswer = {1, "D:\\音楽\\new.mp3"};
    dialog.Cmd_BGM_Click();
    EXPECT_EQ(BGM_File, "D:\\音楽\\new.mp3");
    EXPECT_EQ(host.fileCaption, BGM_File);
    EXPECT_EQ(Last_Result, 1);
}

TEST_F(DialogTest, ClosingZoomsBackToWhereThePointerWasOnOpening) {
    dialog.Form_Load();
    host.cursorX = 900; // moved since
    dialog.Form_Unload();
    EXPECT_EQ(host.calls.back(), "Zoom(278,172,745,422)->(300,200,300,200)");
}

TEST_F(DialogTest, TheLinkOpensUnderTheHourglass) {
    dialog.lbl_URL_Click();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"Hourglass", std::string("Open ") + DialogForm::kAddress,
                                                    "Default"}));
}

TEST_F(DialogTest, ShadingRunsDarkBlueToPaleAndBack) {
    dialog.Form_Resize();
    EXPECT_EQ(host.rowCalls[1], 150); // rows 0 to 149 of Pic_D
    EXPECT_EQ(host.rowCalls[0], 3376); // one line per twip of Pic_C
    const std::map<int, std::int32_t>& d = host.rows[1];
    EXPECT_EQ(d.at(0), 30 << 16);
    EXPECT_EQ(d.at(149), 30 << 16);
    EXPECT_EQ(d.at(74), 220 + 220 * 256 + 250 * 65536);
    for (const auto& [row, color] : d) {
        const int red = color & 0xFF;
        EXPECT_EQ(color >> 16, red + 30) << row;
        EXPECT_EQ((color >> 8) & 0xFF, red) << row;
    }
    // Fifteen twips share a pixel row of Pic_C, and the last one drawn wins.
    EXPECT_EQ(host.rows[0].at(0), Shade_Color(14, 3375));
    EXPECT_EQ(host.rows[0].at(0), 3 + 3 * 256 + 33 * 65536);
    EXPECT_EQ(host.rows[0].at(225), 30 << 16); // twip 3375 alone
    EXPECT_EQ(Shade_Color(0, 0), 30 << 16);    // a panel of no height
}

TEST_F(DialogTest, TheAnimationRunsTwentyFourFramesRound) {
    for (int tick = 0; tick < 25; ++tick) dialog.Timer1_Timer();
    EXPECT_EQ(dialog.Frame_No, 1);
    EXPECT_EQ(host.calls[0], "Cls");
    EXPECT_EQ(host.calls[1], "Frame0");
    EXPECT_EQ(host.calls[2], "Refresh");
    EXPECT_EQ(host.calls[3 * 23 + 1], "Frame23");
    EXPECT_EQ(host.calls[3 * 24 + 1], "Frame0");
}

TEST(DialogPlace, CentredAcrossAThirdDownAndNegativeOnSmallScreens) {
    std::int32_t left = 0;
    std::int32_t top = 0;
    Dialog_Place(1024 * 15.0, 768 * 15.0, 467 * 15.0, 250 * 15.0, left, top);
    EXPECT_EQ(left, 4177);
    EXPECT_EQ(top, 2590);
    Dialog_Place(400 * 15.0, 200 * 15.0, 467 * 15.0, 250 * 15.0, left, top);
    EXPECT_EQ(left, -502); // -1005 / 2, cut toward zero
    EXPECT_EQ(top, -250);
}

} // namespace
} // namespace lumora
