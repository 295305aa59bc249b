#include "dialog/dialog.h"

#include <cmath>
#include <optional>

#include "settings/numbers.h"
#include "settings/settings.h"

namespace lumora {

const char* const DialogForm::kAddress = "https://lumora.example/";
const char* const DialogForm::kByLine = "Lumora Project  Ver. 1.0.0";

namespace {

constexpr const char* kFilter = "BGMﾌｧｲﾙ (MP3 WAV)";
constexpr const char* kPattern = "*.MP3;*.WAV";
constexpr const char* kOpenTitle = "ﾌｧｲﾙを開く";
constexpr int kRepeatEntries = 31; // the empty text, then 1 to 30

std::int32_t Color(int red, int green, int blue) {
    auto clamp = [](int c) { return c > 255 ? 255 : c; };
    return clamp(red) + 256 * clamp(green) + 65536 * clamp(blue);
}

} // namespace

std::string Format_Hash(long value) { return value == 0 ? "" : std::to_string(value); }

std::int16_t Repeat_Track(const std::string& text) {
    std::optional<double> number = Number_Parse(text);
    if (!number) return 0;
    return Round_Int16(*number).value_or(0);
}

void Dialog_Place(double screenWidth, double screenHeight, double outerWidth, double outerHeight,
                  std::int32_t& left, std::int32_t& top) {
    // Rounded first, then divided with the quotient cut toward zero.
    left = static_cast<std::int32_t>(std::nearbyint(screenWidth - outerWidth)) / 2;
    top = static_cast<std::int32_t>(std::nearbyint(screenHeight - outerHeight)) / 3;
}

std::int32_t Shade_Color(double y, double height) {
    const double k = height / 3.142; // 3.142, not pi: the last row comes out black
    const int v = k == 0 ? 0 : static_cast<int>(std::nearbyint(std::fabs(std::sin(y / k)) * 220));
    return Color(v, v, v + 30);
}

void DialogForm::Form_Load() {
    double outerWidth = 0;
    double outerHeight = 0;
    host_.OuterSizeFor(kPanelWidth, kPanelHeight, outerWidth, outerHeight);
    host_.SizeForm(outerWidth, outerHeight);
    const DialogScreen screen = host_.Screen();
    std::int32_t left = 0;
    std::int32_t top = 0;
    Dialog_Place(screen.widthTwips, screen.heightTwips, outerWidth, outerHeight, left, top);
    host_.MoveForm(left, top);

    ShowSettings();

    for (Control control : {Control::Img_BGM0, Control::Img_BGM1, Control::Img_BGM2, Control::lbl_BGM0,
                            Control::lbl_BGM1, Control::lbl_BGM2, Control::Cmd_BGM, Control::Cmd_Can,
                            Control::Cmd_Set, Control::lbl_URL})
        host_.GiveHandPointer(control);

    std::int32_t x = 0;
    std::int32_t y = 0;
    Last_Result = host_.GetCursorPos(x, y);
    Zoom_X = Last_Result != 0 ? x : 0;
    Zoom_Y = Last_Result != 0 ? y : 0;
    Zoom_Open();

    Frame_No = 0;
    host_.EnableTimer(true);
}

void DialogForm::ShowSettings() {
    for (int index = 0; index < 3; ++index) host_.SetMark(index, false);
    host_.EnableFileButton(false);
    host_.EnableRepeat(false);
    // A kind that is no option marks nothing and enables nothing.
    if (BGM_Kind >= 0 && BGM_Kind <= 2) host_.SetMark(BGM_Kind, true);
    if (BGM_Kind == 1) host_.EnableRepeat(true);
    if (BGM_Kind == 2) host_.EnableFileButton(true);
    host_.SetRepeatText(Format_Hash(BGM_Loop));
    for (int entry = 0; entry < kRepeatEntries; ++entry) host_.AddRepeatEntry(Format_Hash(entry));
    host_.SetFileCaption(BGM_File);
}

void DialogForm::Select(int index) {
    if (index < 0 || index > 2) return;
    host_.EnableFileButton(false);
    host_.EnableRepeat(false);
    for (int mark = 0; mark < 3; ++mark) host_.SetMark(mark, false);
    host_.SetMark(index, true);
    if (index == 1) host_.EnableRepeat(true);
    if (index == 2) host_.EnableFileButton(true);
    BGM_Kind = static_cast<std::int16_t>(index);
}

void DialogForm::Img_BGM_MouseDown(int index) { Select(index); }

void DialogForm::lbl_BGM_MouseDown(int index) { Select(index); }

void DialogForm::Select_BGM_File() {
    const OpenFileAnswer answer = host_.OpenFile(std::string(kFilter) + '\0' + kPattern + '\0', kOpenTitle);
    Last_Result = answer.result;
    if (answer.result > 0) {
        BGM_File = answer.path;
        host_.SetFileCaption(BGM_File);
    }
}

void DialogForm::Settings_Save() {
    const std::string path = Settings_FilePath(platform_.process);
    Ini_Value = Sign_Column(BGM_Kind);
    Ini_Write(platform_.profile, kSettingsSection, kKeyKind, Ini_Value, path);
    BGM_Loop = Repeat_Track(host_.RepeatText());
    Ini_Value = Sign_Column(BGM_Loop);
    Ini_Write(platform_.profile, kSettingsSection, kKeyLoop, Ini_Value, path);
    Ini_Value = BGM_File;
    Ini_Write(platform_.profile, kSettingsSection, kKeyFile, Ini_Value, path);
}

void DialogForm::Cmd_Set_Click() {
    Settings_Save();
    host_.Unload();
}

void DialogForm::Cmd_Can_Click() { host_.Unload(); }

void DialogForm::Cmd_BGM_Click() { Select_BGM_File(); }

void DialogForm::lbl_URL_Click() {
    host_.SetScreenPointer(true);
    host_.OpenDocument(kAddress);
    host_.SetScreenPointer(false);
}

void DialogForm::Form_Unload() { Zoom_Close(); }

void DialogForm::Zoom_Open() {
    const ScreenRect point{Zoom_X, Zoom_Y, Zoom_X, Zoom_Y};
    host_.DrawAnimatedRects(point, host_.WindowRect());
}

void DialogForm::Zoom_Close() {
    const ScreenRect point{Zoom_X, Zoom_Y, Zoom_X, Zoom_Y};
    host_.DrawAnimatedRects(host_.WindowRect(), point);
}

void DialogForm::Shade(Panel panel) {
    const PanelSize size = host_.InnerSize(panel);
    const double rows = std::nearbyint(size.height);
    for (double y = 0; y <= rows; ++y) host_.DrawRow(panel, y, size.width, Shade_Color(y, size.height));
}

void DialogForm::Form_Resize() {
    Shade(Panel::Pic_C);
    Shade(Panel::Pic_D);
}

void DialogForm::Timer1_Timer() {
    host_.ClearDisplay();
    Last_Result = host_.PaintFrame(Frame_No);
    host_.RefreshDisplay();
    if (++Frame_No > kFrames - 1) Frame_No = 0;
}

} // namespace lumora
